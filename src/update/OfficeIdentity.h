#pragma once

#include <optional>
#include <string>
#include <vector>

#include "update/UpdateContext.h"

/// The office that this installation belongs to, as its office table "INDECR.DBF" names it, and
/// the choice of an office-specific version in the server's "especif.txt".
namespace lifto::update {

/// Office name, city and state, each in upper case.
struct OfficeIdentity {
  std::string escritorio;
  std::string cidade;
  std::string uf;
};

/// Where the office table lies: `pastaServidor` + "\DADOS\INDECR.DBF" for a Windows program,
/// otherwise the "Path" of the program's "App Paths" entry + "\INDECR.DBF".
std::string OfficeTablePath(const UpdateContext& context);

/// Reads the fields "ESCRITORIO", "CIDADE" and "UF" of the record the table stands on after
/// opening, through the database engine.
/// @return nullopt when the table cannot be opened or read, or holds no record
std::optional<OfficeIdentity> ReadOfficeTable(const std::string& tablePath);

/// The script file named for this office and program by the lines of "especif.txt": five fields
/// separated by "È" (office, city, state, program file, script), compared in upper case.
/// @return the fifth field of the first matching line, as written; empty when no line matches
std::string OfficeSpecificScript(const std::vector<std::string>& lines, const OfficeIdentity& office,
                                 const std::string& programFile);

}  // namespace lifto::update
