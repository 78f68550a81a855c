#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

/// The vendor's catalogue for tests: the tables "Escr", "DISCOS" and "ARQUIVOS" made with the
/// sqlite3 command from the layouts README documents, and their rows read back the same way.
namespace lifto::test {

/// Creates Escr.sqlite (with the clients given as ABREV and ESCRITORIO), DISCOS.sqlite and
/// ARQUIVOS.sqlite in a host folder. @throw std::runtime_error when sqlite3 fails
void CreateCatalogue(const std::filesystem::path& folder,
                     const std::vector<std::pair<std::string, std::string>>& clients);

/// The rows of a query on a table file, one "a|b|c" line each (UTF-8), through sqlite3.
std::vector<std::string> QueryRows(const std::filesystem::path& tableFile, const std::string& sql);

}  // namespace lifto::test
