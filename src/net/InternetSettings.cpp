#include "net/InternetSettings.h"

#include "support/Utilities.h"

namespace lifto::net {

InternetSettings ReadInternetSettings() {
  using platform::RootKey;
  const auto name = support::ReadRegistryValue(RootKey::LocalMachine, kInternetKey, "Dialup", support::kRegString);
  const auto dial = support::ReadRegistryValue(RootKey::LocalMachine, kInternetKey, "AcessoDiscado",
                                               support::kRegBoolean);
  InternetSettings settings;
  if (std::holds_alternative<std::string>(name) && std::holds_alternative<bool>(dial)) {
    settings.dialupName = std::get<std::string>(name);
    settings.autoDial = std::get<bool>(dial);
  }
  return settings;
}

void WriteInternetSettings(const InternetSettings& settings) {
  using platform::RootKey;
  support::WriteRegistryValue(RootKey::LocalMachine, kInternetKey, "Dialup", settings.dialupName, support::kRegString);
  support::WriteRegistryValue(RootKey::LocalMachine, kInternetKey, "AcessoDiscado", settings.autoDial,
                              support::kRegBoolean);
}

}  // namespace lifto::net
