#include "platform/Environment.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

#include "platform/Codepage.h"
#include "platform/ConfigFile.h"
#include "platform/EnvironmentText.h"
#include "platform/Paths.h"
#include "platform/TextCase.h"

namespace lifto::platform {
namespace {

constexpr const char* kDefaultSystemIni =
    "; The Windows world of this computer.\n"
    "; [Drives]: a drive letter or a \\\\server\\share prefix = the host folder it stands for\n"
    "; (a relative folder lies in this folder; an empty value leaves the drive unmapped).\n"
    "[Drives]\n"
    "C=drive_c\n"
    "Z=/\n"
    "[System]\n"
    "WindowsFolder=C:\\WINDOWS\n";

std::string Message(const std::filesystem::path& file, int line, const std::string& problem) {
  std::string text = file.string();
  if (line > 0) text += ": line " + std::to_string(line);
  return text + ": " + problem;
}

// "C", "c" or "C:" give "C"; "\\server\share" (either separator) gives "\\server\share";
// anything else is not a drive.
std::optional<std::string> DrivePrefixOf(std::string_view key) {
  if ((key.size() == 1 || (key.size() == 2 && key[1] == ':')) &&
      std::isalpha(static_cast<unsigned char>(key[0]))) {
    return std::string(1, UpperChar1252(key[0]));
  }
  const auto isSep = [](char c) { return c == '\\' || c == '/'; };
  if (key.size() < 3 || !isSep(key[0]) || !isSep(key[1])) return std::nullopt;
  std::string prefix = "\\";
  std::size_t pos = 2;
  while (pos <= key.size()) {
    auto end = pos;
    while (end < key.size() && !isSep(key[end])) ++end;
    if (end == pos) return std::nullopt;  // an empty component: "\\\x" or a trailing separator
    prefix += "\\";
    prefix += key.substr(pos, end - pos);
    pos = end + 1;
  }
  return prefix;
}

std::filesystem::path Normalized(std::filesystem::path p) {
  p = p.lexically_normal();
  if (p.has_relative_path() && !p.has_filename()) p = p.parent_path();  // "/srv/x/" -> "/srv/x"
  return p;
}

void WriteDefaultSystemIni(const std::filesystem::path& file) {
  // Best effort: the defaults apply whether or not the file could be written.
  const auto temp = file.parent_path() / (".system.ini." + std::to_string(getpid()));
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << kDefaultSystemIni;
    if (!out) {
      std::error_code ec;
      std::filesystem::remove(temp, ec);
      return;
    }
  }
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    std::filesystem::remove(temp, ec);
  } else {
    std::filesystem::rename(temp, file, ec);
  }
}

std::mutex gCurrentMutex;
std::optional<Environment>& CurrentSlot() {
  static std::optional<Environment> slot;
  return slot;
}

}  // namespace

ConfigError::ConfigError(const std::filesystem::path& file, int line, const std::string& problem)
    : std::runtime_error(Message(file, line, problem)), file_(file), line_(line) {}

class EnvironmentLoader {
 public:
  explicit EnvironmentLoader(Environment& env) : env_(env) {}

  void SetHome(const std::filesystem::path& home) { env_.home_ = home; }

  void ReadSystem(const std::filesystem::path& file) {
    auto sections = ReadConfigFile(file);
    if (!sections) {
      WriteDefaultSystemIni(file);
      sections.emplace();
    }
    ApplySystem(*sections, file);
  }

  void ReadAliases(const std::filesystem::path& file) {
    if (const auto sections = ReadConfigFile(file)) ApplyAliases(*sections, file);
  }

  // No sections (no system.ini at all) give the default drives and Windows folder.
  void ApplySystem(const std::vector<ConfigSection>& sections, const std::filesystem::path& file) {
    std::vector<DriveMapping> letters;
    std::vector<DriveMapping> unc;
    std::map<std::string, int> seen;  // drive prefixes in capitals, mapped or left unmapped
    for (const auto& section : sections) {
      if (EqualsNoCase(section.name, "Drives")) {
        for (const auto& entry : section.entries) {
          const auto prefix = DrivePrefixOf(entry.key);
          if (!prefix) {
            throw ConfigError(file, entry.line,
                              "\"" + entry.key + "\" is neither a drive letter nor a \\\\server\\share prefix");
          }
          const auto [it, fresh] = seen.emplace(Upper1252(*prefix), entry.line);
          if (!fresh) {
            throw ConfigError(file, entry.line,
                              "drive " + *prefix + " is mapped twice (also on line " + std::to_string(it->second) + ")");
          }
          if (entry.value.empty()) continue;  // explicitly unmapped
          auto folder = std::filesystem::path(ToUtf8(entry.value));
          if (folder.is_relative()) folder = env_.home_ / folder;
          (prefix->size() == 1 ? letters : unc).push_back({*prefix, Normalized(folder)});
        }
      } else if (EqualsNoCase(section.name, "System") || EqualsNoCase(section.name, "Security")) {
        auto& values = EqualsNoCase(section.name, "System") ? env_.system_ : env_.security_;
        for (const auto& entry : section.entries) {
          const auto [it, fresh] = values.emplace(Upper1252(entry.key), entry.value);
          if (!fresh) throw ConfigError(file, entry.line, "\"" + entry.key + "\" is set twice");
        }
      }
      // Other sections belong to later versions or to the person who keeps the file; they are kept out
      // of the way rather than refused.
    }
    if (!seen.contains("C")) letters.push_back({"C", env_.home_ / "drive_c"});
    if (!seen.contains("Z")) letters.push_back({"Z", "/"});
    std::sort(letters.begin(), letters.end(),
              [](const DriveMapping& a, const DriveMapping& b) { return a.prefix < b.prefix; });
    env_.drives_ = std::move(letters);
    env_.drives_.insert(env_.drives_.end(), unc.begin(), unc.end());
    // An empty WindowsFolder= means the default, as it does for the programs that ask for the
    // folder, so that the folder they are given is the one created here.
    if (auto& windows = env_.system_["WINDOWSFOLDER"]; windows.empty()) windows = "C:\\WINDOWS";
  }

  void ApplyAliases(const std::vector<ConfigSection>& sections, const std::filesystem::path& file) {
    std::map<std::string, int> seen;
    for (const auto& section : sections) {
      const auto [it, fresh] = seen.emplace(Upper1252(section.name), section.line);
      if (!fresh) {
        throw ConfigError(file, section.line,
                          "alias " + section.name + " is declared twice (also on line " + std::to_string(it->second) + ")");
      }
      std::vector<std::string> lines;
      std::map<std::string, int> names;
      for (const auto& entry : section.entries) {
        if (!names.emplace(Upper1252(entry.key), entry.line).second) {
          throw ConfigError(file, entry.line, "\"" + entry.key + "\" is set twice in alias " + section.name);
        }
        lines.push_back(entry.key + "=" + entry.value);
      }
      env_.aliases_.emplace_back(section.name, std::move(lines));
    }
  }

  // The folders a fresh environment needs: drive C: and the Windows folder on it.
  void CreateStandardFolders() {
    std::error_code ec;
    if (const auto* c = env_.FindDrive("C")) std::filesystem::create_directories(c->folder, ec);
    const auto windows = ToHostPath(env_.SystemValue("WindowsFolder"), env_);
    if (!windows) return;
    // Only below a drive folder that is there: an unmounted medium must not be filled with folders.
    for (const auto& drive : env_.drives_) {
      const auto rel = windows->lexically_relative(drive.folder);
      if (!rel.empty() && *rel.begin() != ".." && drive.folder != "/" &&
          std::filesystem::is_directory(drive.folder, ec)) {
        std::filesystem::create_directories(*windows, ec);
        return;
      }
    }
  }

 private:
  Environment& env_;
};

Environment Environment::Load() { return LoadFrom(DefaultHome()); }

Environment Environment::LoadFrom(const std::filesystem::path& home) {
  Environment env;
  std::error_code ec;
  env.home_ = Normalized(std::filesystem::absolute(home, ec));
  if (ec) throw ConfigError(home, 0, "the environment folder cannot be found: " + ec.message());
  std::filesystem::create_directories(env.home_, ec);
  if (ec || !std::filesystem::is_directory(env.home_, ec)) {
    throw ConfigError(env.home_, 0, "the environment folder cannot be created: " + ec.message());
  }
  EnvironmentLoader loader(env);
  loader.ReadSystem(env.home_ / "system.ini");
  loader.ReadAliases(env.home_ / "aliases.ini");
  loader.CreateStandardFolders();
  return env;
}

Environment EnvironmentFromTexts(const std::filesystem::path& home,
                                 std::optional<std::string_view> systemIni,
                                 std::optional<std::string_view> aliasesIni) {
  Environment env;
  EnvironmentLoader loader(env);
  loader.SetHome(Normalized(home));
  const auto systemFile = home / "system.ini";
  loader.ApplySystem(systemIni ? ParseConfigText(*systemIni, systemFile) : std::vector<ConfigSection>{},
                     systemFile);
  if (aliasesIni) loader.ApplyAliases(ParseConfigText(*aliasesIni, home / "aliases.ini"), home / "aliases.ini");
  return env;
}

std::filesystem::path Environment::DefaultHome() {
  const auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value ? value : "");
  };
  if (auto home = variable("LIFTO_HOME"); !home.empty()) return home;
  if (auto data = variable("XDG_DATA_HOME"); !data.empty() && data.front() == '/') {
    return std::filesystem::path(data) / "lifto";
  }
  auto userHome = variable("HOME");
  if (userHome.empty()) {
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_dir) userHome = pw->pw_dir;
  }
  if (userHome.empty()) {
    throw ConfigError("LIFTO_HOME", 0, "not set, and the user has no home folder to keep the environment in");
  }
  return std::filesystem::path(userHome) / ".local" / "share" / "lifto";
}

const Environment& Environment::Current() {
  std::lock_guard lock(gCurrentMutex);
  auto& slot = CurrentSlot();
  if (!slot) slot = Load();
  return *slot;
}

void Environment::SetCurrent(Environment env) { Exchange(std::move(env)); }

std::optional<Environment> Environment::Exchange(std::optional<Environment> env) {
  std::lock_guard lock(gCurrentMutex);
  std::swap(CurrentSlot(), env);
  return env;
}

void Environment::Reset() { Exchange(std::nullopt); }

const DriveMapping* Environment::FindDrive(std::string_view prefix) const {
  if (prefix.size() == 2 && prefix[1] == ':') prefix.remove_suffix(1);
  for (const auto& drive : drives_) {
    if (EqualsNoCase(drive.prefix, prefix)) return &drive;
  }
  return nullptr;
}

std::string Environment::SecurityValue(const std::string& key) const {
  const auto it = security_.find(Upper1252(key));
  return it == security_.end() ? std::string() : it->second;
}

std::string Environment::SystemValue(const std::string& key) const {
  const auto it = system_.find(Upper1252(key));
  return it == system_.end() ? std::string() : it->second;
}

std::optional<std::vector<std::string>> Environment::AliasParameters(const std::string& alias) const {
  for (const auto& [name, lines] : aliases_) {
    if (EqualsNoCase(name, alias)) return lines;
  }
  return std::nullopt;
}

std::vector<std::string> Environment::AliasNames() const {
  std::vector<std::string> names;
  for (const auto& entry : aliases_) names.push_back(entry.first);
  return names;
}

}  // namespace lifto::platform
