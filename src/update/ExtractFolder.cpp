#include "update/ExtractFolder.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/Paths.h"
#include "platform/SafeFiles.h"
#include "platform/SystemFolders.h"

namespace lifto::update {

std::string ExtractFolder() { return platform::PrivateTempFolder() + "\\Vorn"; }

void ClearExtractFolder() {
  const std::string folder = ExtractFolder();
  const auto host = platform::ToHostPath(folder);
  // Cleared whole, subfolders too (a damaged archive may have left one), by descriptor: a link
  // inside is removed itself and what it points to stays.
  const auto at = host ? platform::Locate(*host, platform::Links::Trusted, false) : std::nullopt;
  if (!at || !platform::RemoveTree(at->folder.Get(), at->name)) {
    throw std::runtime_error("Cannot remove folder " + folder + ": " + std::strerror(errno));
  }
}

}  // namespace lifto::update
