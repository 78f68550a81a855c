#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/UniqueFd.h"

/// Whole-file reads and writes of the small text files an update keeps (the update log, the
/// marker file), on Windows paths.
namespace lifto::update {

/// The lines of a text file, split at CR LF, LF or CR; a final line end adds no empty line.
/// The file must be a regular file of at most 1 MiB, not reached through another user's link.
/// @return nullopt when no such file can be read at the path
std::optional<std::vector<std::string>> ReadTextLines(const std::string& windowsPath);

/// Replaces a file's content as one step: the bytes go to a new file beside it, are flushed to
/// disk, and the new file is renamed over the old one. A crash or a full disk leaves either the
/// old content or the new, never a part. The file keeps the permissions it had. A link there
/// that another user may have planted is replaced itself; one in place of a folder is refused.
/// @throw std::runtime_error naming the file when it cannot be written (a read-only file, a
///        missing folder, a path on an unmapped drive, a full disk)
void WriteFileAtomically(const std::string& windowsPath, const std::string& bytes);

/// An exclusive lock on a file that is read, changed and replaced by WriteFileAtomically, so that
/// two programs rewriting it at once (two workstations writing the update log) never drop each
/// other's change. The lock is a flock on the file itself (created empty when missing); a writer
/// that waited locks again when the file it waited on was replaced meanwhile. A link there that
/// another user may have planted, a FIFO or a device is removed, as the rewrite would replace it;
/// a folder is refused. Released when destroyed.
class FileRewriteLock {
 public:
  /// Waits for the lock. @throw std::runtime_error naming the file when it cannot be opened
  explicit FileRewriteLock(const std::string& windowsPath);

 private:
  platform::UniqueFd fd_;
};

}  // namespace lifto::update
