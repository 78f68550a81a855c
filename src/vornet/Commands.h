#pragma once

#include <string>

/// The site's commands that the helper runs for dialling, hanging up and the "online" test.
namespace lifto::vornet {

/// Runs a command line through /bin/sh without input, and waits for it at most the time given;
/// a command still running then is killed. @return its exit status, -1 when it could not run,
/// was killed or ran out of time
int RunCommand(const std::string& commandLine1252, int timeoutSeconds);

/// Whether the host has a default route (IPv4 or IPv6): the "online" test when the site names no
/// command of its own.
bool HasDefaultRoute();

}  // namespace lifto::vornet
