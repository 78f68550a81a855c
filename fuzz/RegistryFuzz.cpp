// Registry hives are regedit exports that people drop into the environment from an office's
// machine, so their reader sees arbitrary bytes: whatever they hold, reading must end in a hive or
// a ConfigError, and a hive that was read must survive being written back and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Environment.h"
#include "platform/RegistryHive.h"

namespace {

using lifto::platform::HiveKey;
using lifto::platform::HiveValue;
using lifto::platform::RegistryHive;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool SameValue(const HiveValue& a, const HiveValue& b) {
  return a.name == b.name && a.type == b.type && a.data == b.data && a.dword == b.dword;
}

bool SameKey(const HiveKey& a, const HiveKey& b) {
  if (a.path != b.path || a.values.size() != b.values.size()) return false;
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    if (!SameValue(a.values[i], b.values[i])) return false;
  }
  return true;
}

void CheckHive(RegistryHive& hive) {
  // The store writes what it read in its own form; reading that back must give the same hive,
  // or a value written by one program would cost another program its keys.
  RegistryHive again;
  try {
    again = RegistryHive::Parse(hive.Serialize(), "written.reg");
  } catch (const lifto::platform::ConfigError&) {
    std::abort();
  }
  Check(again.Keys().size() == hive.Keys().size());
  for (std::size_t i = 0; i < hive.Keys().size(); ++i) Check(SameKey(hive.Keys()[i], again.Keys()[i]));

  for (const HiveKey& key : hive.Keys()) {
    Check(hive.KeyExists(key.path));
    for (const HiveValue& value : key.values) Check(hive.Find(key.path, value.name) != nullptr);
  }
  // Changes of the kind the store makes, on whatever the file held.
  if (!hive.Keys().empty()) {
    const std::string path = hive.Keys().front().path;
    hive.Set(path, HiveValue{"Versao", lifto::platform::kRegSz, "1.0", 0});
    Check(hive.Find(path, "VERSAO") != nullptr);
    hive.RemoveKey(path);
    Check(hive.Find(path, "Versao") == nullptr);
    (void)hive.Serialize();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    RegistryHive hive = RegistryHive::Parse(bytes, "HKLM.reg");
    CheckHive(hive);
  } catch (const lifto::platform::ConfigError&) {
    // A malformed export: the store refuses it and leaves the file as it is.
  }
  return 0;
}
