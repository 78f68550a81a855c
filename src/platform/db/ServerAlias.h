#pragma once

#include <optional>
#include <string>

/// An alias of aliases.ini that names a PostgreSQL database instead of a folder:
///
///   [ALIAS_VORN]
///   DRIVER=POSTGRESQL
///   SERVER=192.168.0.10
///   PORT=5432
///   DATABASE=vornel
///   USER=gerador
///
/// SERVER, PORT and USER may be left out (the server library's own defaults and environment
/// apply). The password is never an alias line: it comes from the server library's password file
/// or environment, as the server's own tools take it.
namespace lifto::platform::db {

struct ServerAlias {
  std::string name;  ///< the alias, as the table names it
  std::string server, port, database, user;

  /// "server:port" for messages (never the user or a password).
  std::string Address() const;
};

/// The server settings of an alias whose DRIVER line names PostgreSQL; nullopt for a folder alias
/// or an alias that aliases.ini does not declare. Parameter names and the driver compare without
/// regard to case; the last line of a name wins.
/// @throw EDBEngineError kInvalidAliasPath for a server alias without DATABASE, or one holding a
///        PASSWORD line (whose value no message repeats)
std::optional<ServerAlias> FindServerAlias(const std::string& alias);

}  // namespace lifto::platform::db
