#pragma once

#include <string>
#include <vector>

/// The rules by which the update procedure finds scripts and archives in a source folder.
namespace lifto::update {

/// The source folder F: the text of `C_caminhoOrigem` with a "\" appended when it lacks one.
std::string SourceFolderOf(const std::string& caminhoOrigem);

/// True when the source folder is a diskette drive: its first letter, in upper case, is A or B.
bool IsDisketteSource(const std::string& folder);

/// The files of a folder with an extension ("aex", "ATU"), without regard to case, as
/// folder + name. The names come sorted without regard to case, as the office's file system lists
/// them, so that "the first one listed" is the same on every run.
/// @param folder with a trailing "\"
std::vector<std::string> ListByExtension(const std::string& folder, const std::string& extension);

/// The first volume of the script's archive: the path with every "aex" of its file name, without
/// regard to case, replaced by "ATU" ("F:\UPD\X.aex" gives "F:\UPD\X.ATU").
std::string ArchiveOfScript(const std::string& scriptPath);

/// The part of a path after its last "\", "/" or ":".
std::string NameOfFile(const std::string& path);
/// The part of a path up to and including its last "\", "/" or ":"; empty without one.
std::string FolderOfFile(const std::string& path);

/// True when both Windows paths name the same existing file, however they are written (another
/// drive mapping, another letter case).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace lifto::update
