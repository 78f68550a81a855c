// Feeds arbitrary bytes to the update-script loader and the profile reader, which read scripts
// that come from diskettes and downloads, and checks the invariants that the update relies on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Profile.h"
#include "project/Script.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void FuzzProfile(std::string_view text, std::size_t bufferSize) {
  using lifto::platform::ProfileFile;
  const ProfileFile profile = ProfileFile::Parse(text);
  for (const char* section : {"CONFIG", "BACKUP", "PONTO", "SERVIDOR", "WINDOWS"}) {
    const auto keys = profile.KeyNames(section, bufferSize);
    std::size_t used = 0;
    for (const std::string& name : keys.names) {
      Check(!name.empty());
      used += name.size() + 1;
      const std::string value = profile.String(section, name, "", bufferSize);
      Check(bufferSize == 0 ? value.empty() : value.size() < bufferSize);
    }
    Check(keys.names.empty() || used + 1 <= bufferSize || keys.truncated);
  }
}

void FuzzScript(std::string_view text) {
  using namespace lifto::project;
  ScriptLines lines = ParseScriptText(text);
  // Lines written back read back the same: the loader and the writer agree on line ends.
  Check(ParseScriptText(ScriptText(lines)) == lines);
  (void)FindKeyValue(lines, "VERSAO");
  (void)SectionOfLine(lines, static_cast<int>(lines.size()) - 1);
  const std::size_t before = lines.size();
  const int index = InsertEntry(lines, "PONTO", EntryParts{"", "C:\\X\\A.EXE", "", "\\"});
  Check(lines.size() == before + 1 && index >= 0 && static_cast<std::size_t>(index) < lines.size());
  RefreshVersion(lines, [](const std::string&) { return std::string("1.2.3.4"); });
  for (const std::string& line : lines) Check(line.find_first_of("\r\n") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks a buffer size, so that the cutting rules are reached with small files.
  const std::size_t bufferSize = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  FuzzProfile(text, bufferSize);
  FuzzScript(text);
  return 0;
}
