#pragma once

#include <string>
#include <vector>

/// Starting other programs the way Windows would, on this host: command lines are split by the
/// Windows rules, Windows paths resolve through the drives, Windows executables run through the
/// launcher of system.ini. Started programs run in their own session and are never waited for;
/// nothing of them is left behind as a zombie.
namespace lifto::platform {

enum class PriorityClass { Idle, Normal, High, RealTime };

/// Starts a Windows-style command line as a new process without waiting. The program part may be
/// a Windows path (resolved through the drives; ".EXE" is added when the name has no extension
/// and only that file exists) or a host command found on the PATH. A host executable runs
/// directly, a Windows executable through [System] WindowsLauncher. The priority maps to nice
/// levels: idle 19, normal 0, high -10, real-time -20; a level the user may not take falls back
/// to the normal one. Standard input is /dev/null; output goes where the tool's goes.
/// @return true when the process was created (the program was found and its exec succeeded)
bool StartProcess(const std::string& commandLine, PriorityClass priority);

/// Opens a file through the shell: host executables run directly, Windows executables (.EXE,
/// .COM, .BAT, or a file that starts as one) through [System] WindowsLauncher (default "wine"
/// when on the PATH), folders and other files through xdg-open.
/// @param arguments a Windows-style parameter text for the programs; documents ignore it
/// @param workingFolder Windows or host path of the folder to start in; empty for the current one
/// @return true when something was started
bool ShellOpen(const std::string& file, const std::string& arguments,
               const std::string& workingFolder = "");

/// ShellOpen with the arguments given one by one (1252), passed to the program as they are: a
/// path with blanks stays one argument.
bool ShellOpenWithArguments(const std::string& file, const std::vector<std::string>& arguments,
                            const std::string& workingFolder = "");

/// Splits a command line by the Windows rules: blanks and tabs separate; the program name runs
/// to the next blank, or within double quotes to the next quote; in the arguments double quotes
/// group, "" inside quotes is one quote, and backslashes are literal except before a quote
/// (2n backslashes and a quote: n backslashes and a grouping quote; 2n+1: n and a literal quote).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace lifto::platform
