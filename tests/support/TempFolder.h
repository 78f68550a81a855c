#pragma once

#include <filesystem>
#include <string>

namespace lifto::test {

/// A fresh empty folder for one test, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  /// Writes a file below the folder (creating its folders) and returns its path.
  std::filesystem::path Write(const std::filesystem::path& relative, const std::string& content) const;

 private:
  std::filesystem::path path_;
};

/// Reads a whole file as bytes.
std::string ReadFileBytes(const std::filesystem::path& file);

}  // namespace lifto::test
