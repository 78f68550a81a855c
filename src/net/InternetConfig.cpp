#include "net/InternetConfig.h"

#include <charconv>

#include "net/HelperMessages.h"
#include "platform/ConfigFile.h"
#include "platform/Environment.h"
#include "platform/TextCase.h"

namespace lifto::net {
namespace {

void ReadSeconds(const std::string& text, int& seconds) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc() && end == text.data() + text.size() && value >= 1 && value <= 3600) {
    seconds = value;
  }
}

}  // namespace

InternetConfig ReadInternetConfig() {
  InternetConfig config;
  config.server = kDefaultServerHost;
  const auto sections = platform::ReadConfigFile(platform::Environment::Current().Home() / "system.ini");
  if (!sections) return config;
  for (const auto& section : *sections) {
    if (platform::EqualsNoCase(section.name, "Internet")) {
      for (const auto& entry : section.entries) {
        const std::string key = platform::Upper1252(entry.key);
        if (key == "SERVER" && !entry.value.empty()) config.server = entry.value;
        if (key == "CONNECTTIMEOUT") ReadSeconds(entry.value, config.connectTimeoutSeconds);
        if (key == "STALLTIMEOUT") ReadSeconds(entry.value, config.stallTimeoutSeconds);
        if (key == "CAFILE") config.caFile = entry.value;
        if (key == "ONLINE") config.onlineCommand = entry.value;
        if (key == "HANGUP") config.hangUpCommand = entry.value;
      }
    } else if (platform::EqualsNoCase(section.name, "Dialup")) {
      for (const auto& entry : section.entries) {
        // The separator of the published list cannot be part of a name.
        if (entry.key.find(kDialEntrySeparator) != std::string::npos) continue;
        config.dialupEntries.push_back({entry.key, entry.value});
      }
    }
  }
  return config;
}

}  // namespace lifto::net
