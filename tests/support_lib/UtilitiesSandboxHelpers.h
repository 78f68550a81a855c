#pragma once

#include <filesystem>
#include <string>

#include "support/TempFolder.h"

namespace lifto::test {

/// A LIFTO_HOME of its own for one test: drive C: in "drive_c", Z: the host's root, the given
/// aliases.ini, and an empty registry. The process-wide environment points at it while it lives.
class UtilitiesSandbox {
 public:
  explicit UtilitiesSandbox(const std::string& aliasesIni = "");
  ~UtilitiesSandbox();
  UtilitiesSandbox(const UtilitiesSandbox&) = delete;
  UtilitiesSandbox& operator=(const UtilitiesSandbox&) = delete;

  const std::filesystem::path& Home() const { return folder_.Path(); }
  std::filesystem::path DriveC() const { return folder_.Path() / "drive_c"; }
  /// Writes a file below drive C: ("X/A.TXT").
  std::filesystem::path WriteOnC(const std::string& relative, const std::string& content = "x") const;

 private:
  TempFolder folder_;
};

}  // namespace lifto::test
