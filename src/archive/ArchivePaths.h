#pragma once

#include <string>
#include <string_view>

/// Path texts as the archive component handles them: Windows paths, with host paths taken in
/// their Windows form so that lower-casing and backslashes keep naming the same file.
namespace lifto::archive {

/// The Windows form of a path: a host path ("/srv/x") through the drive mappings, a relative path
/// against the current folder, "." and ".." parts resolved, "/" made "\".
std::string AbsoluteWindowsPath(std::string_view path);

/// The folder part with its final separator ("c:\prog\" of "c:\prog\a.exe"), empty when none.
std::string FolderPart(std::string_view path);
/// The part after the last "\" or ":".
std::string FileNamePart(std::string_view path);

/// Whether a path formed below a folder stays inside it: no part of `relative` is "." or "..",
/// holds a drive colon or a control character, and the last part names something.
bool StaysInsideFolder(std::string_view relative);
/// Whether a stored name may be restored to its own path: an absolute Windows path without "."
/// or ".." parts or control characters.
bool IsPlainAbsoluteName(std::string_view name);

}  // namespace lifto::archive
