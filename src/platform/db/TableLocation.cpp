#include "platform/db/TableLocation.h"

#include <algorithm>
#include <vector>

#include "platform/Codepage.h"
#include "platform/Environment.h"
#include "platform/Paths.h"
#include "platform/TextCase.h"
#include "platform/db/DbErrors.h"

namespace lifto::platform::db {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool EndsWithNoCase(const std::string& text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsNoCase(std::string_view(text).substr(text.size() - suffix.size()), suffix);
}

/// The entry of the folder with that name: an exact match, else the first match without regard
/// to case in sorted order.
std::optional<std::filesystem::path> FindFileNoCase(const std::filesystem::path& folder,
                                                    const std::string& name) {
  const auto exact = folder / ToUtf8(name);
  std::error_code error;
  if (std::filesystem::is_regular_file(exact, error)) return exact;
  std::vector<std::filesystem::path> matches;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.is_regular_file(error) &&
        EqualsNoCase(FromUtf8(entry.path().filename().string()), name)) {
      matches.push_back(entry.path());
    }
  }
  if (matches.empty()) return std::nullopt;
  return *std::min_element(matches.begin(), matches.end());
}

std::string WithoutTrailingSeparator(std::string folder) {
  if (folder.size() > 1 && IsSeparator(folder.back()) && folder[folder.size() - 2] != ':') {
    folder.pop_back();
  }
  return folder;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return IsSeparator(folder.back()) ? folder + name : folder + "\\" + name;
}

}  // namespace

std::optional<std::string> AliasFolder(const std::string& alias) {
  const auto parameters = Environment::Current().AliasParameters(alias);
  if (!parameters) return std::nullopt;
  std::string path;
  for (const auto& line : *parameters) {
    if (line.size() >= 4 && EqualsNoCase(std::string_view(line).substr(0, 4), "PATH")) {
      const auto equals = line.find('=');
      path = equals == std::string::npos ? std::string() : line.substr(equals + 1);
    }
  }
  if (!path.empty() && IsSeparator(path.back())) path.pop_back();
  return path;
}

TableLocation LocateTable(const std::string& databaseName, const std::string& tableName) {
  std::string folder;
  std::string name = tableName;
  std::optional<std::string> alias;
  if (IsAbsoluteWindowsPath(tableName)) {
    const auto cut = tableName.find_last_of("\\/:");
    folder = tableName.substr(0, cut + 1);
    name = tableName.substr(cut + 1);
  } else {
    if (databaseName.empty()) {
      folder = ".";
    } else if (IsAbsoluteWindowsPath(databaseName)) {
      folder = databaseName;
    } else {
      const auto aliasFolder = AliasFolder(databaseName);
      if (!aliasFolder) {
        throw EDBEngineError(code::kUnknownAlias, "Unknown database.\rAlias: " + databaseName);
      }
      folder = *aliasFolder;
      alias = databaseName;
    }
    const auto cut = name.find_last_of("\\/");
    if (cut != std::string::npos) {
      folder = Join(folder, name.substr(0, cut));
      name = name.substr(cut + 1);
    }
  }
  folder = WithoutTrailingSeparator(folder);

  TableLocation location;
  std::string fileName = name;
  if (EndsWithNoCase(name, ".DBF")) {
    location.format = TableFormat::Dbf;
  } else {
    std::string base = name;
    for (std::string_view ending : {".sqlite", ".db"}) {
      if (EndsWithNoCase(base, ending)) base.resize(base.size() - ending.size());
    }
    location.sqlName = base;
    fileName = base + ".sqlite";
  }

  const auto hostFolder = folder.empty() ? std::nullopt : ToHostPath(folder);
  std::error_code error;
  if (!hostFolder || !std::filesystem::is_directory(*hostFolder, error)) {
    if (alias) {
      throw EDBEngineError(code::kInvalidAliasPath,
                           "Invalid path for alias.\rAlias: " + *alias + "\rPath: " + folder);
    }
    throw EDBEngineError(code::kPathNotFound, "Path not found.\rFile: " + Join(folder, fileName));
  }
  const auto file = FindFileNoCase(*hostFolder, fileName);
  if (!file) {
    throw EDBEngineError(code::kNoSuchTable,
                         "Table does not exist.\rTable: " + Join(folder, fileName));
  }
  location.file = *file;
  location.displayPath = Join(folder, FromUtf8(file->filename().string()));
  return location;
}

}  // namespace lifto::platform::db
