#include "net/InternetSettings.h"

#include <gtest/gtest.h>

#include "support/SandboxHome.h"
#include "support/Utilities.h"

namespace lifto::net {
namespace {

using platform::RootKey;

TEST(InternetSettings, MissingOrMistypedValuesReadAsNoConnectionAndAutomaticDialling) {
  const struct {
    const char* what;
    std::optional<support::RegistryValue> dialup;
    std::optional<support::RegistryValue> acesso;
    std::string name;
    bool autoDial;
  } cases[] = {
      {"no key", std::nullopt, std::nullopt, "", true},
      {"both", std::string("Provedor"), false, "Provedor", false},
      {"no AcessoDiscado", std::string("Provedor"), std::nullopt, "", true},
      {"AcessoDiscado as text", std::string("Provedor"), std::string("0"), "", true},
      {"no Dialup", std::nullopt, false, "", false},  // a missing text value reads as empty
  };
  for (const auto& c : cases) {
    test::SandboxHome home;
    if (c.dialup) support::WriteRegistryValue(RootKey::LocalMachine, kInternetKey, "Dialup", *c.dialup, support::kRegString);
    if (c.acesso) {
      const int kind = std::holds_alternative<bool>(*c.acesso) ? support::kRegBoolean : support::kRegString;
      support::WriteRegistryValue(RootKey::LocalMachine, kInternetKey, "AcessoDiscado", *c.acesso, kind);
    }
    const auto settings = ReadInternetSettings();
    EXPECT_EQ(settings.dialupName, c.name) << c.what;
    EXPECT_EQ(settings.autoDial, c.autoDial) << c.what;
  }
}

TEST(InternetSettings, WrittenSettingsReadBack) {
  test::SandboxHome home;
  WriteInternetSettings({"Escrit\xF3rio", false});
  const auto settings = ReadInternetSettings();
  EXPECT_EQ(settings.dialupName, "Escrit\xF3rio");
  EXPECT_FALSE(settings.autoDial);
  EXPECT_EQ(platform::ReadRegistry(RootKey::LocalMachine, kInternetKey, "AcessoDiscado"),
            platform::RegistryData{std::uint32_t{0}});
}

}  // namespace
}  // namespace lifto::net
