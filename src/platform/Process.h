#pragma once

#include <string>
#include <vector>

namespace lifto::platform {

enum class PriorityClass { Idle, Normal, High, RealTime };

/// Starts a Windows-style command line as a new process without waiting. The program part may be
/// a Windows path (resolved through the drives) or a host command. The priority maps to nice
/// levels; a class that needs privileges the user lacks falls back to normal.
/// @return true when the process was created
bool StartProcess(const std::string& commandLine, PriorityClass priority);

/// Opens a file through the shell: host executables run directly, Windows executables (.EXE,
/// .COM, .BAT) through [System] WindowsLauncher (default "wine" when on the PATH), other files
/// through xdg-open. @return true when something was started
bool ShellOpen(const std::string& file, const std::string& arguments);

/// Splits a command line at blanks, keeping double-quoted parts together.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace lifto::platform
