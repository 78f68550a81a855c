#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

/// The Windows world of this host: the environment root LIFTO_HOME with its system.ini
/// (drive mappings and system settings) and aliases.ini (database aliases).
namespace lifto::platform {

/// A configuration file that cannot be used. what() names the file and, where it applies, the line
/// ("/home/ana/.local/share/lifto/system.ini: line 3: ..."); line 0 stands for the whole file.
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
/// ~/.local/share/lifto), creating the root, a default system.ini, the folder of drive C: and the
/// Windows folder when missing.
///
/// system.ini: [Drives] maps a drive letter ("C") or a UNC prefix ("\\SERVIDOR\DADOS") to a host
/// folder (UTF-8 after conversion from 1252; relative to LIFTO_HOME when relative). C= defaults to
/// "drive_c" and Z= to "/"; an empty value ("Z=") leaves that drive unmapped. [System] holds
/// WindowsFolder (default "C:\WINDOWS"), ComputerName and WindowsLauncher; [Security] the keys
/// that sign and check update sets.
/// aliases.ini: one section per database alias, holding its parameter lines ("PATH=F:\DADOS").
/// A name declared twice in one section, and an alias declared twice, are configuration errors.
class Environment {
 public:
  /// Loads the environment from DefaultHome(). @throw ConfigError for an unusable root, or an
  /// unreadable or malformed file.
  static Environment Load();
  /// Loads from an explicit root (tests). @throw ConfigError
  static Environment LoadFrom(const std::filesystem::path& home);
  /// LIFTO_HOME when set, else $XDG_DATA_HOME/lifto, else ~/.local/share/lifto. @throw ConfigError
  /// when none of them can be found.
  static std::filesystem::path DefaultHome();

  /// The process-wide environment, loaded on first use; the reference stays valid until the next
  /// SetCurrent, Exchange or Reset. @throw ConfigError when loading fails (tried again next time)
  static const Environment& Current();
  /// Replaces the process-wide environment (start-up and tests).
  static void SetCurrent(Environment env);
  /// Installs env (or nothing, so that the next Current() loads again) and returns the environment
  /// that was installed before, nullopt when none was loaded. Lets tests restore what they replaced.
  static std::optional<Environment> Exchange(std::optional<Environment> env);
  /// Forgets the process-wide environment, so that the next Current() loads it again.
  static void Reset();

  const std::filesystem::path& Home() const { return home_; }
  /// The drive mappings: drive letters in alphabetical order, then UNC prefixes in file order.
  const std::vector<DriveMapping>& Drives() const { return drives_; }
  /// The mapping of a drive letter ("C", "c" or "C:") or UNC prefix (compared without regard to
  /// case); nullptr when the drive is not mapped.
  const DriveMapping* FindDrive(std::string_view prefix) const;
  /// A value of system.ini [System] (WindowsFolder, ComputerName, WindowsLauncher...), the key
  /// compared without regard to case; empty when missing (WindowsFolder has its default).
  std::string SystemValue(const std::string& key) const;
  /// A value of system.ini [Security] (PublicKey, SigningKey, SigningKeyPasswordFile), the key
  /// compared without regard to case; empty when missing.
  std::string SecurityValue(const std::string& key) const;
  /// The parameter lines of an alias of aliases.ini ("PATH=F:\KORAMI\DADOS"); nullopt when unknown.
  /// Alias names compare without regard to case.
  std::optional<std::vector<std::string>> AliasParameters(const std::string& alias) const;
  /// Every alias name declared, in file order.
  std::vector<std::string> AliasNames() const;

 private:
  std::filesystem::path home_;
  std::vector<DriveMapping> drives_;
  std::map<std::string, std::string> system_;  ///< keys in capitals
  std::map<std::string, std::string> security_;  ///< keys in capitals
  std::vector<std::pair<std::string, std::vector<std::string>>> aliases_;
  friend class EnvironmentLoader;
};

}  // namespace lifto::platform
