#pragma once

#include <stdexcept>
#include <string>

/// The archive component's error codes, their texts, and the exception that carries a failure to
/// the caller where an operation does not report it through its error code.
namespace lifto::archive {

enum ErrorCode : int {
  kErrorNone = 0,
  kErrorReadFile = 1,         ///< "Cannot read file"
  kErrorOverwrite = 2,        ///< "Overwriting file failed"
  kErrorReadArchive = 3,      ///< "Cannot read archive"
  kErrorWriteArchive = 4,     ///< "Cannot write to archive"
  kErrorArchiveType = 5,      ///< "Invalid archive type"
  kErrorCompression = 6,      ///< "Compression error"
  kErrorTemporaryFile = 7,    ///< "Cannot create temporary file to save the file IDs"
};

/// The text of an error code; empty for a code outside 1 to 7.
std::string ErrorText(int code);

/// A failure that leaves an operation by exception. what() is the component's own text
/// ("Cannot read archive", "Invalid archive type"...); Path() names the file it concerns and
/// Detail() says what the system reported, for messages that must say where things went wrong.
class ArchiveError : public std::runtime_error {
 public:
  ArchiveError(const std::string& text, std::string path, std::string detail = {});
  const std::string& Path() const { return path_; }
  const std::string& Detail() const { return detail_; }
  /// "text: path (detail)", for people.
  std::string Describe() const;

 private:
  std::string path_;
  std::string detail_;
};

}  // namespace lifto::archive
