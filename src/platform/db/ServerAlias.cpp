#include "platform/db/ServerAlias.h"

#include <algorithm>
#include <vector>

#include "platform/Environment.h"
#include "platform/TextCase.h"
#include "platform/db/DbErrors.h"

namespace lifto::platform::db {

namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string ServerAlias::Address() const {
  return (server.empty() ? std::string("localhost") : server) + (port.empty() ? "" : ":" + port);
}

std::optional<ServerAlias> FindServerAlias(const std::string& alias) {
  const auto parameters = Environment::Current().AliasParameters(alias);
  if (!parameters) return std::nullopt;
  ServerAlias settings;
  settings.name = alias;
  std::string driver;
  bool password = false;
  for (const auto& line : *parameters) {
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = Upper1252(Trim(line.substr(0, equals)));
    const std::string value = Trim(line.substr(equals + 1));
    if (key == "DRIVER") driver = Upper1252(value);
    if (key == "SERVER") settings.server = value;
    if (key == "PORT") settings.port = value;
    if (key == "DATABASE") settings.database = value;
    if (key == "USER") settings.user = value;
    if (key == "PASSWORD") password = true;
  }
  if (driver != "POSTGRESQL" && driver != "POSTGRES") return std::nullopt;
  if (password) {
    throw EDBEngineError(code::kInvalidAliasPath,
                         "A password does not belong in aliases.ini: keep it in the PostgreSQL "
                         "password file.\rAlias: " + alias);
  }
  if (settings.database.empty()) {
    throw EDBEngineError(code::kInvalidAliasPath,
                         "The alias names no DATABASE on its server.\rAlias: " + alias);
  }
  return settings;
}

}  // namespace lifto::platform::db
