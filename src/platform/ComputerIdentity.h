#pragma once

#include <cstddef>
#include <string>

namespace lifto::platform {

/// The computer name: [System] ComputerName of system.ini as written, else the host's name as a
/// network name of Windows (its first label, in capitals, at most 15 characters); cut to
/// bufferChars - 1 characters as the system call with that buffer would.
/// @throw ConfigError when the environment cannot be loaded
std::string SystemComputerName(std::size_t bufferChars = 255);

/// Whether a network is present (a non-loopback interface is up).
bool NetworkPresent();

}  // namespace lifto::platform
