// system.ini and aliases.ini are kept by hand in the environment folder; whatever they hold,
// reading them must end in an environment or a ConfigError naming the line. The texts are read in
// memory, so that the drive folders a fuzzed file names are never created.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ConfigFile.h"
#include "platform/Environment.h"
#include "platform/EnvironmentText.h"

namespace {

using namespace lifto::platform;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool HasLineBreak(std::string_view text) { return text.find('\n') != std::string_view::npos; }

void CheckSections(std::string_view text) {
  int last = 0;
  for (const ConfigSection& section : ParseConfigText(text, "fuzz.ini")) {
    Check(!section.name.empty() && !HasLineBreak(section.name) && section.line > last);
    last = section.line;
    for (const ConfigEntry& entry : section.entries) {
      Check(!entry.key.empty() && entry.key.find('=') == std::string::npos && entry.line > last);
      Check(!HasLineBreak(entry.key) && !HasLineBreak(entry.value));
      last = entry.line;
    }
  }
}

void CheckEnvironment(const Environment& env) {
  // Every mapping is found again by its own prefix, and C: and Z: are always decided.
  for (const DriveMapping& drive : env.Drives()) {
    Check(!drive.prefix.empty() && env.FindDrive(drive.prefix) == &drive);
    Check(drive.folder.is_absolute());
  }
  Check(!env.SystemValue("WindowsFolder").empty());
  for (const std::string& alias : env.AliasNames()) Check(env.AliasParameters(alias).has_value());
}

template <typename Read>
void Guarded(Read read) {
  try {
    read();
  } catch (const ConfigError&) {
    // A malformed file: the program stops with a message naming the file and the line.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::filesystem::path home = "/nonexistent/lifto-fuzz";
  Guarded([&] { CheckSections(text); });
  Guarded([&] { CheckEnvironment(EnvironmentFromTexts(home, text, std::nullopt)); });
  Guarded([&] { CheckEnvironment(EnvironmentFromTexts(home, std::nullopt, text)); });
  return 0;
}
