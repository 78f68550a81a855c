#include "update/ExtractFolder.h"

#include <stdexcept>

#include "platform/Files.h"
#include "platform/SystemFolders.h"
#include "support/Utilities.h"

namespace lifto::update {

std::string ExtractFolder() { return platform::PrivateTempFolder() + "\\Vorn"; }

void ClearExtractFolder() {
  const std::string folder = ExtractFolder();
  if (!platform::FolderExists(folder)) return;
  for (const auto& entry : support::ListFiles(folder + "\\*.*")) {
    if (!platform::FileExists(entry)) continue;  // ".", "..": not files
    platform::SetAttributes(entry, 0);
    platform::DeleteFile(entry);
  }
  if (!platform::RemoveFolder(folder)) {
    throw std::runtime_error("Cannot remove folder " + folder);
  }
}

}  // namespace lifto::update
