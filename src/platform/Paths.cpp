#include "platform/Paths.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <vector>

#include "platform/Codepage.h"
#include "platform/Environment.h"
#include "platform/FolderNames.h"
#include "platform/TextCase.h"

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;

std::vector<std::string_view> SplitComponents(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    auto end = pos;
    while (end < text.size() && !IsPathSeparator(text[end])) ++end;
    if (end > pos) parts.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return parts;
}

bool IsOnDisk(const fs::path& file) {
  std::error_code ec;
  return fs::symlink_status(file, ec).type() != fs::file_type::not_found && !ec;
}

// The on-disk name in dir for a 1252 component: the exact name when it is there, else the name
// in upper case, else in lower case, else the first name in sorted order that matches without
// regard to case; nullopt when nothing matches. The two probes spare a listing of the folder for
// the usual names (archives store lower case, scripts name files in upper case), which in a folder
// of thousands of files made each lookup cost as much as the copy.
std::optional<std::string> FindOnDisk(const fs::path& dir, std::string_view component) {
  const auto exact = ToUtf8(component);
  if (IsOnDisk(dir / exact)) return exact;
  for (const auto& variant : {Upper1252(component), Lower1252(component)}) {
    auto name = ToUtf8(variant);
    if (name != exact && IsOnDisk(dir / name)) return name;
  }
  std::error_code ec;
  std::vector<std::string> matching;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    auto name = it->path().filename().string();
    if (EqualsNoCase(FromUtf8(name), component)) matching.push_back(std::move(name));
  }
  return ChooseOnDiskName(component, matching);
}

// Walks the components below base. At the top of a drive ".." stays at the root; a relative path
// (clampAtBase false) may climb above its starting folder.
fs::path Resolve(fs::path base, const std::vector<std::string_view>& components, bool clampAtBase) {
  std::vector<std::string> parts;
  bool missing = false;  // a component was not found: nothing below it can exist
  std::size_t missingFrom = 0;
  for (const auto component : components) {
    if (component == ".") continue;
    if (component == "..") {
      if (!parts.empty()) {
        parts.pop_back();
        if (missing && parts.size() <= missingFrom) missing = false;
      } else if (!clampAtBase && base.has_relative_path()) {
        base = base.parent_path();
      }
      continue;
    }
    if (!missing) {
      auto dir = base;
      for (const auto& p : parts) dir /= p;
      if (auto found = FindOnDisk(dir, component)) {
        parts.push_back(std::move(*found));
        continue;
      }
      missing = true;
      missingFrom = parts.size();
    }
    parts.push_back(ToUtf8(component));
  }
  for (const auto& p : parts) base /= p;
  return base;
}

bool IsDriveLetterPath(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])) &&
         static_cast<unsigned char>(path[0]) < 0x80;
}

// The number of leading components of "path" that equal "folder"'s, or -1 when folder is not a
// prefix of path.
int PrefixLength(const fs::path& path, const fs::path& folder) {
  auto p = path.begin();
  int length = 0;
  for (const auto& part : folder) {
    if (part.empty()) continue;  // the empty name after a trailing separator
    if (p == path.end() || *p != part) return -1;
    ++p;
    ++length;
  }
  return length;
}

struct MappingMatch {
  const DriveMapping* drive = nullptr;
  fs::path rest;
};

MappingMatch LongestMapping(const fs::path& hostPath, const Environment& env, bool canonical) {
  MappingMatch best;
  int bestLength = -1;
  for (const auto& drive : env.Drives()) {
    auto folder = drive.folder;
    if (canonical) {
      std::error_code ec;
      folder = fs::weakly_canonical(folder, ec);
      if (ec) continue;
    }
    const int length = PrefixLength(hostPath, folder);
    if (length > bestLength) {
      bestLength = length;
      best.drive = &drive;
      best.rest = hostPath.lexically_relative(folder);
      if (best.rest == ".") best.rest.clear();
    }
  }
  return best;
}

fs::path CleanHostPath(const fs::path& hostPath) {
  std::error_code ec;
  auto p = hostPath.is_absolute() ? hostPath : fs::current_path(ec) / hostPath;
  p = p.lexically_normal();
  if (p.has_relative_path() && !p.has_filename()) p = p.parent_path();
  return p;
}

}  // namespace

std::optional<fs::path> ToHostPath(std::string_view windowsPath) {
  return ToHostPath(windowsPath, Environment::Current());
}

std::optional<fs::path> ToHostPath(std::string_view windowsPath, const Environment& env) {
  if (windowsPath.find('\0') != std::string_view::npos) return std::nullopt;
  const bool twoSeparators = windowsPath.size() >= 2 && IsPathSeparator(windowsPath[0]) &&
                             IsPathSeparator(windowsPath[1]);
  if (!windowsPath.empty() && windowsPath[0] == '/' && !twoSeparators) {
    return CleanHostPath(fs::path(ToUtf8(windowsPath)));
  }
  if (IsDriveLetterPath(windowsPath)) {
    const auto* drive = env.FindDrive(windowsPath.substr(0, 1));
    if (!drive) return std::nullopt;
    return Resolve(drive->folder, SplitComponents(windowsPath.substr(2)), true);
  }
  if (twoSeparators) {
    const auto components = SplitComponents(windowsPath);
    const DriveMapping* best = nullptr;
    std::size_t bestCount = 0;
    for (const auto& drive : env.Drives()) {
      if (drive.prefix.size() < 2 || drive.prefix[0] != '\\') continue;
      const auto prefixParts = SplitComponents(drive.prefix);
      if (prefixParts.size() <= bestCount || prefixParts.size() > components.size()) continue;
      if (std::equal(prefixParts.begin(), prefixParts.end(), components.begin(),
                     [](auto a, auto b) { return EqualsNoCase(a, b); })) {
        best = &drive;
        bestCount = prefixParts.size();
      }
    }
    if (!best) return std::nullopt;
    return Resolve(best->folder, {components.begin() + static_cast<std::ptrdiff_t>(bestCount), components.end()},
                   true);
  }
  std::error_code ec;
  const auto cwd = fs::current_path(ec);
  if (ec) return std::nullopt;
  if (!windowsPath.empty() && IsPathSeparator(windowsPath[0])) {
    // The root of the current directory's drive.
    const auto match = LongestMapping(CleanHostPath(cwd), env, false);
    if (!match.drive) return std::nullopt;
    return Resolve(match.drive->folder, SplitComponents(windowsPath), true);
  }
  return Resolve(cwd, SplitComponents(windowsPath), false);
}

std::string ToWindowsPath(const fs::path& hostPath) { return ToWindowsPath(hostPath, Environment::Current()); }

std::string ToWindowsPath(const fs::path& hostPath, const Environment& env) {
  const auto path = CleanHostPath(hostPath);
  auto match = LongestMapping(path, env, false);
  if (!match.drive || match.drive->folder == "/") {
    // The path may reach a drive's folder through a symbolic link.
    std::error_code ec;
    const auto real = fs::weakly_canonical(path, ec);
    if (!ec) {
      auto viaLinks = LongestMapping(real, env, true);
      if (viaLinks.drive && viaLinks.drive->folder != "/") match = std::move(viaLinks);
    }
  }
  if (!match.drive) return FromUtf8(path.string());
  std::string out = match.drive->prefix;
  const bool letter = out.size() == 1;
  if (letter) out += ":\\";
  bool first = true;
  for (const auto& part : match.rest) {
    if (part.empty() || part == ".") continue;
    if (!first || !letter) out += '\\';
    out += FromUtf8(part.string());
    first = false;
  }
  return out;
}

bool IsAbsoluteWindowsPath(std::string_view path) {
  return IsDriveLetterPath(path) || (!path.empty() && IsPathSeparator(path[0]));
}

char DriveLetterOf(std::string_view windowsPath) {
  return IsDriveLetterPath(windowsPath) ? UpperChar1252(windowsPath[0]) : '\0';
}

}  // namespace lifto::platform
