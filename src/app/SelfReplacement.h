#pragma once

#include <string>

/// The finish of the tool's own update ("/C"): the fresh copy puts itself over the old executable.
namespace lifto::app {

/// Replaces the file at target with a copy of source. The copy is written beside the target
/// under another name and then renamed over it, so that a program still running from the old
/// file keeps its image intact and the target is never seen half-written. As Windows' file copy,
/// a read-only target is not replaced.
/// @param source, target Windows paths
/// @return true when the target now holds the copy
bool ReplaceByCopy(const std::string& source, const std::string& target);

/// Whether a file is (an older copy of) the tool's own program: its name is the running
/// executable's, without regard to case or an ".EXE", and it holds a program (an ELF image, a
/// "#!" script or a Windows executable). "/C" replaces nothing else, so that a path cut short or
/// crafted cannot make it overwrite a person's file.
/// @param path, ownExecutable Windows paths
bool IsToolProgram(const std::string& path, const std::string& ownExecutable);

}  // namespace lifto::app
