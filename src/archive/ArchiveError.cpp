#include "archive/ArchiveError.h"

#include <utility>

namespace lifto::archive {

std::string ErrorText(int code) {
  switch (code) {
    case kErrorReadFile: return "Cannot read file";
    case kErrorOverwrite: return "Overwriting file failed";
    case kErrorReadArchive: return "Cannot read archive";
    case kErrorWriteArchive: return "Cannot write to archive";
    case kErrorArchiveType: return "Invalid archive type";
    case kErrorCompression: return "Compression error";
    case kErrorTemporaryFile: return "Cannot create temporary file to save the file IDs";
    default: return {};
  }
}

ArchiveError::ArchiveError(const std::string& text, std::string path, std::string detail)
    : std::runtime_error(text), path_(std::move(path)), detail_(std::move(detail)) {}

std::string ArchiveError::Describe() const {
  std::string text = what();
  if (!path_.empty()) text += ": " + path_;
  if (!detail_.empty()) text += " (" + detail_ + ")";
  return text;
}

}  // namespace lifto::archive
