#pragma once

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Environment.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace lifto::test {

/// A private environment root for one test. It makes LIFTO_HOME in a fresh TempFolder, writes its
/// system.ini and aliases.ini, and installs it as Environment::Current() and as the LIFTO_HOME
/// variable (for programs the test starts) until it is destroyed; then both are restored.
///
///   SandboxHome home({{"F", "srv"}}, {{"ALIAS_KORAMI", "F:\\KORAMI\\DADOS"}});
///   home.Write("F:\\KORAMI\\DADOS\\NOVO.DB", "...");      // F: is <home>/srv
///   platform::AliasParameters(...) / ToHostPath("f:\\korami") ... work against it.
///
/// Drive C: is <home>/drive_c and Z: is "/" unless mapped otherwise; the Windows folder C:\WINDOWS
/// is created. Texts are 1252, as in the core. One SandboxHome at a time.
class SandboxHome {
 public:
  using Pairs = std::initializer_list<std::pair<std::string, std::string>>;

  /// @param drives drive letter ("F") or UNC prefix ("\\SERVIDOR\DADOS") and its host folder:
  ///   relative folders lie in the sandbox and are created; absolute ones are used as given (and
  ///   not created); an empty folder leaves the drive unmapped ({"Z", ""}).
  /// @param aliases alias name and the value of its PATH parameter line
  explicit SandboxHome(Pairs drives = {}, Pairs aliases = {});
  ~SandboxHome();
  SandboxHome(const SandboxHome&) = delete;
  SandboxHome& operator=(const SandboxHome&) = delete;

  const std::filesystem::path& Home() const { return folder_.Path(); }

  /// Adds or changes a drive mapping, an alias or a [System] value, and reloads the environment.
  void MapDrive(const std::string& prefix, const std::string& folder);
  void AddAlias(const std::string& name, const std::string& path);
  /// Adds or changes an alias with the parameter lines given ("DRIVER=POSTGRESQL", ...).
  void AddAliasLines(const std::string& name, const std::vector<std::string>& lines);
  void SetSystemValue(const std::string& key, const std::string& value);
  /// The same for a value of [Security].
  void SetSecurityValue(const std::string& key, const std::string& value);
  /// Sets a value of another section of system.ini ("Internet", "Dialup"), kept in the order
  /// given, and reloads the environment.
  void SetIniValue(const std::string& section, const std::string& key, const std::string& value);

  /// The host path of a Windows path in the sandbox. @throw std::runtime_error on an unmapped drive
  std::filesystem::path HostPath(std::string_view windowsPath) const;
  /// Writes a file at a Windows path, creating its folders. @return its host path
  std::filesystem::path Write(std::string_view windowsPath, const std::string& content) const;

  /// Rewrites system.ini and aliases.ini and installs the environment loaded from them.
  void Reload();

 private:
  TempFolder folder_;
  ScopedVariable homeVariable_{"LIFTO_HOME", folder_.Path().c_str()};
  std::vector<std::pair<std::string, std::string>> drives_;
  std::vector<std::pair<std::string, std::string>> aliases_;  ///< name, its lines (CR LF each)
  std::vector<std::pair<std::string, std::string>> system_;
  std::vector<std::pair<std::string, std::string>> security_;
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections_;
  std::optional<platform::Environment> saved_;
  bool firstLoad_ = true;
};

}  // namespace lifto::test
