#pragma once

#include <filesystem>
#include <string>

#include "project/Script.h"
#include "support/TempFolder.h"

namespace lifto::test {

/// A sandbox environment for one test: drive C: is a fresh folder, the process-wide environment
/// points at it until the sandbox ends.
class ScriptSandbox {
 public:
  ScriptSandbox();
  ~ScriptSandbox();
  ScriptSandbox(const ScriptSandbox&) = delete;
  ScriptSandbox& operator=(const ScriptSandbox&) = delete;

  /// The host path of a file below C:\ ("UPD/X.aex" for "C:\UPD\X.aex").
  std::filesystem::path Host(const std::string& relative) const;
  /// Writes bytes to a file below C:\ and returns its host path.
  std::filesystem::path Write(const std::string& relative, const std::string& bytes) const;

 private:
  TempFolder folder_;
};

/// The complete example script, as the editor leaves it after one entry in each file section.
project::ScriptLines ExampleScript();

}  // namespace lifto::test
