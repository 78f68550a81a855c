#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

/// The Windows world of this host: the environment root LIFTO_HOME with its system.ini
/// (drive mappings and system settings) and aliases.ini (database aliases).
namespace lifto::platform {

/// A configuration file that cannot be used. what() names the file and, where it applies, the line.
class ConfigError : public std::runtime_error {
 public:
  ConfigError(const std::filesystem::path& file, int line, const std::string& problem);
  const std::filesystem::path& File() const { return file_; }
  int Line() const { return line_; }

 private:
  std::filesystem::path file_;
  int line_;
};

/// One drive mapping of system.ini [Drives]: "C" or "\\SERVIDOR\DADOS" to a host folder.
struct DriveMapping {
  std::string prefix;            ///< "C" for a drive letter, or a UNC prefix "\\SERVIDOR\DADOS"
  std::filesystem::path folder;  ///< absolute host folder
};

/// The loaded environment. Load() reads LIFTO_HOME (default $XDG_DATA_HOME/lifto, that is
/// ~/.local/share/lifto), creating the root, system.ini defaults and drive_c when missing.
class Environment {
 public:
  /// Loads the environment from LIFTO_HOME. @throw ConfigError for an unreadable or malformed file.
  static Environment Load();
  /// Loads from an explicit root (tests).
  static Environment LoadFrom(const std::filesystem::path& home);

  /// The process-wide environment, loaded on first use. @throw ConfigError
  static const Environment& Current();
  /// Replaces the process-wide environment (start-up and tests).
  static void SetCurrent(Environment env);
  /// Forgets the process-wide environment, so that the next Current() loads it again.
  static void Reset();

  const std::filesystem::path& Home() const { return home_; }
  const std::vector<DriveMapping>& Drives() const { return drives_; }
  /// A value of system.ini [System] (WindowsFolder, ComputerName, WindowsLauncher...), empty when missing.
  std::string SystemValue(const std::string& key) const;
  /// The parameter lines of an alias of aliases.ini ("PATH=F:\KORAMI\DADOS"); nullopt when unknown.
  /// Alias names compare without regard to case.
  std::optional<std::vector<std::string>> AliasParameters(const std::string& alias) const;
  /// Every alias name declared, in file order.
  std::vector<std::string> AliasNames() const;

 private:
  std::filesystem::path home_;
  std::vector<DriveMapping> drives_;
  std::map<std::string, std::string> system_;
  std::vector<std::pair<std::string, std::vector<std::string>>> aliases_;
  friend class EnvironmentLoader;
};

}  // namespace lifto::platform
