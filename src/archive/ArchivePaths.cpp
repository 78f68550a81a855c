#include "archive/ArchivePaths.h"

#include <filesystem>
#include <vector>

#include "platform/Paths.h"

namespace lifto::archive {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::vector<std::string_view> Parts(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i])) {
      parts.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

bool HasControl(std::string_view part) {
  for (char c : part) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return false;
}

}  // namespace

std::string AbsoluteWindowsPath(std::string_view path) {
  std::string full;
  if (!path.empty() && path[0] == '/') {
    full = platform::ToWindowsPath(std::filesystem::path(std::string(path)));
  } else if (platform::IsAbsoluteWindowsPath(path)) {
    full = std::string(path);
  } else {
    std::error_code ec;
    full = platform::ToWindowsPath(std::filesystem::current_path(ec)) + "\\" + std::string(path);
  }
  // The root ("C:" or "\\server\share") stays; the parts after it are resolved.
  std::size_t rootEnd = 0;
  if (full.size() >= 2 && full[1] == ':') {
    rootEnd = 2;
  } else if (full.size() >= 2 && IsSeparator(full[0]) && IsSeparator(full[1])) {
    std::size_t seen = 0;
    rootEnd = 2;
    while (rootEnd < full.size() && seen < 2) {
      if (IsSeparator(full[rootEnd])) ++seen;
      if (seen < 2) ++rootEnd;
    }
  }
  std::string root = full.substr(0, rootEnd);
  for (char& c : root) {
    if (c == '/') c = '\\';
  }
  std::vector<std::string_view> kept;
  const std::string_view rest = std::string_view(full).substr(rootEnd);
  for (std::string_view part : Parts(rest)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  std::string result = root;
  for (std::string_view part : kept) {
    result += '\\';
    result += part;
  }
  if (kept.empty()) result += '\\';
  return result;
}

std::string FolderPart(std::string_view path) {
  const auto last = path.find_last_of("\\/:");
  return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last + 1));
}

std::string FileNamePart(std::string_view path) {
  const auto last = path.find_last_of("\\:");
  return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

bool StaysInsideFolder(std::string_view relative) {
  const auto parts = Parts(relative);
  for (std::string_view part : parts) {
    if (part == "." || part == ".." || part.find(':') != std::string_view::npos ||
        HasControl(part)) {
      return false;
    }
  }
  return !parts.back().empty();
}

bool IsPlainAbsoluteName(std::string_view name) {
  if (name.empty() || name[0] == '/' || !platform::IsAbsoluteWindowsPath(name)) return false;
  const auto parts = Parts(name);
  for (std::string_view part : parts) {
    if (part == "." || part == ".." || HasControl(part)) return false;
  }
  return !parts.back().empty();
}

}  // namespace lifto::archive
