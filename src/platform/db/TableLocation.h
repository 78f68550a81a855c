#pragma once

#include <filesystem>
#include <optional>
#include <string>

/// Where a table lives: aliases.ini names each alias's folder in its PATH parameter; a table is a
/// file in that folder ("<Table>.sqlite", or a ".DBF" file), or at a full path.
namespace lifto::platform::db {

enum class TableFormat { Sqlite, Dbf };

struct TableLocation {
  std::filesystem::path file;  ///< the host file
  std::string displayPath;     ///< its Windows path, for messages ("F:\KORAMI\DADOS\Novo.sqlite")
  std::string sqlName;         ///< the SQL table's name in an SQLite file
  TableFormat format = TableFormat::Sqlite;
};

/// The PATH parameter of an alias (the last PATH line wins), without a trailing backslash;
/// nullopt for an alias that aliases.ini does not declare.
std::optional<std::string> AliasFolder(const std::string& alias);

/// Finds a table's file. The name is "NAME" (an SQLite table "NAME.sqlite"; a ".DB" or ".sqlite"
/// ending is taken as that too), "NAME.DBF" (a dBase file), or a full Windows path to either, in
/// which case the database name is not used. The database name is an alias or a folder. Folders
/// and the file are found without regard to case.
/// @throw EDBEngineError kUnknownAlias, kInvalidAliasPath (the alias's folder does not exist),
///        kPathNotFound (a full path's folder does not exist), kNoSuchTable (no such file)
TableLocation LocateTable(const std::string& databaseName, const std::string& tableName);

}  // namespace lifto::platform::db
