#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

/// Small Windows executables (PE) with a version resource, for tests that need one
/// ("KORAMI.EXE" with a FileVersion). Texts are 1252; they are stored as UTF-16 inside.
namespace lifto::test {

/// One string table of the version resource: its language block and its strings.
struct PeStringTable {
  std::string language = "041604E4";
  std::map<std::string, std::string> strings;  ///< "FileVersion" -> "1.0.0.12", ...
};

struct PeOptions {
  bool pe32Plus = false;        ///< PE32+ (64-bit) headers instead of PE32
  bool withVersion = true;      ///< false: a resource section without RT_VERSION
  std::vector<PeStringTable> tables;
};

/// The bytes of a minimal valid PE file whose .rsrc section holds a VS_VERSIONINFO built from the
/// options; the fixed part carries the numbers of the first table's "FileVersion" and "ProductVersion".
std::string BuildPe(const PeOptions& options);

/// The bytes of a PE file with one string table.
std::string BuildPeWithVersion(const std::map<std::string, std::string>& strings,
                               const std::string& langBlock = "041604E4");

/// Writes BuildPeWithVersion(...) to a file, creating its folders.
void WritePeWithVersion(const std::filesystem::path& file,
                        const std::map<std::string, std::string>& strings,
                        const std::string& langBlock = "041604E4");

}  // namespace lifto::test
