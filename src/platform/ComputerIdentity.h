#pragma once

#include <string>

namespace lifto::platform {

/// The computer name: [System] ComputerName of system.ini, else the host's name; cut to
/// bufferChars - 1 characters as the system call with that buffer would.
std::string SystemComputerName(std::size_t bufferChars = 255);

/// Whether a network is present (a non-loopback interface is up).
bool NetworkPresent();

}  // namespace lifto::platform
