#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include "platform/UniqueFd.h"

/// Reaching files in folders that other users may write (an office's shared server folder): every
/// path is walked by descriptor, one name at a time with openat and O_NOFOLLOW, so that no folder
/// can be swapped for a link between a check and its use. A symbolic link met on the way is
/// followed only when it belongs to the running user or to root (the rule the kernel applies to
/// links in shared sticky folders); a link that anyone else could have planted is never followed.
/// Every file operation of the platform goes through here.
namespace lifto::platform {

/// Which links a walk follows.
enum class Links {
  Trusted,  ///< links that belong to the running user or to root
  None,     ///< no link at all (below a folder whose entries must stay inside it)
};

/// Whether a link with this lstat may be followed under Links::Trusted.
bool IsTrustedLink(const struct stat& link);

/// A name inside an open folder: where a file operation acts.
struct Located {
  UniqueFd folder;   ///< O_PATH descriptor of the folder that holds the name
  std::string name;  ///< the last name (UTF-8); "." when the path is the start folder itself
};

/// Walks a host path to the folder holding its last name. The folders on the way must exist and be
/// folders or links the rule lets through. The last name may be missing; when `followLast` and it
/// is a link that the rule lets through, the walk goes on to the link's target, so that the result
/// never names a followable link, only a missing name, a non-link or a link that must not be
/// followed (whose operations then act on the link itself, or refuse).
/// @param start descriptor that a relative path starts from (AT_FDCWD for the current folder)
/// @return nullopt with errno set: ELOOP for a link refused on the way (or too many), ENOENT,
///         ENOTDIR, EACCES as the system reports them
std::optional<Located> Locate(const std::filesystem::path& path, Links links = Links::Trusted,
                              bool followLast = true, int start = AT_FDCWD);

/// Opens a file by descriptor walk; the last name is opened with O_NOFOLLOW, so a link there that
/// the rule does not let through fails with ELOOP. O_NONBLOCK is added so that opening a FIFO for
/// reading never waits (and removed again once opened).
/// @param flags open flags (O_CLOEXEC is added); mode for O_CREAT
/// @return an invalid descriptor with errno set on failure
UniqueFd OpenFile(const std::filesystem::path& path, int flags, mode_t mode = 0666,
                  Links links = Links::Trusted, int start = AT_FDCWD);

/// The path that the walk reaches, every link it lets through resolved: for the libraries that open
/// files by name only (the tables' SQLite and dBase files), so that they never follow a link that
/// another user could have planted on the way.
/// @return nullopt with errno set; ELOOP also when the last name is a link that the rule refuses
std::optional<std::filesystem::path> ResolvedPath(const std::filesystem::path& path);

/// Opens a folder (O_PATH), creating every missing level (mode 0777 less the umask) by descriptor.
/// @return an invalid descriptor with errno set on failure
UniqueFd MakeFolders(const std::filesystem::path& path, Links links = Links::Trusted,
                     int start = AT_FDCWD);

/// Opens an existing folder (O_PATH). @return an invalid descriptor with errno set on failure
UniqueFd OpenFolder(const std::filesystem::path& path, Links links = Links::Trusted,
                    int start = AT_FDCWD);

/// Replaces a file's content as one step: the bytes go to a new file beside it (in the folder the
/// walk reached), are flushed to disk and renamed over the name, so a failure leaves the old file
/// or the new one, never a part. The old file's permissions are kept. A link at the name that the
/// rule lets through is followed (the file is replaced where it lies and the link stays); one that
/// it does not let through is replaced itself.
/// @return false with errno set: EISDIR for a folder, EACCES for a read-only file (one without
///         write permission, for root too), else as the system reports
/// @param start descriptor that a relative path starts from
bool ReplaceFile(const std::filesystem::path& path, std::string_view bytes, int start = AT_FDCWD);

/// Removes a name and everything below it, folder by folder through descriptors; links are
/// removed themselves, never followed. Write permission is given back to folders that lack it.
/// @param folder descriptor of the folder holding the name
/// @return false with errno set when something could not be removed
bool RemoveTree(int folder, const std::string& name);

/// Holds a folder open for the rest of the run (the private temporary folder, once checked): every
/// later walk of a path below `hostPath` starts from this descriptor, so the folder checked is the
/// folder used even when the name is renamed away and another folder put in its place. Holding a
/// path again replaces the earlier descriptor.
void HoldFolder(const std::filesystem::path& hostPath, UniqueFd folder);

/// Whether a folder is held at exactly this path.
bool HoldsFolder(const std::filesystem::path& hostPath);

/// A path below a held folder as the kernel reaches it through the held descriptor
/// ("/proc/self/fd/N/rest"), for the calls that take only a path (exec, chdir); any other path
/// unchanged. Valid in this process and in children forked from it until they exec.
/// @param heldFd set to the held descriptor used, or -1 (a script's interpreter opens the path
///        after the exec, so a child must keep that descriptor open across it)
std::filesystem::path ThroughHeldFolder(const std::filesystem::path& path, int* heldFd = nullptr);

/// A path naming the file open at a descriptor ("/proc/self/fd/N"), for the few calls that take
/// only a path (extended attributes, access checks): the kernel resolves it to that very file.
std::string DescriptorPath(int fd);

/// Reads a small regular file whole through the walk: a link that the rule does not let through,
/// anything but a regular file (a FIFO, a device) and a file above the cap are refused, so that a
/// planted name can neither hang nor exhaust the reader.
/// @return nullopt with errno set (EFBIG above the cap, EINVAL for a file that is not regular)
std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, std::size_t maxBytes);

}  // namespace lifto::platform
