#include "support/SandboxHome.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "platform/Codepage.h"
#include "platform/Paths.h"

namespace lifto::test {
namespace {

void Upsert(std::vector<std::pair<std::string, std::string>>& list, const std::string& key, const std::string& value) {
  for (auto& entry : list) {
    if (entry.first == key) {
      entry.second = value;
      return;
    }
  }
  list.emplace_back(key, value);
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace

SandboxHome::SandboxHome(Pairs drives, Pairs aliases) : drives_(drives) {
  for (const auto& [name, path] : aliases) aliases_.emplace_back(name, "PATH=" + path + "\r\n");
  Reload();  // the first load replaces what was installed before
}

SandboxHome::~SandboxHome() { platform::Environment::Exchange(std::move(saved_)); }

void SandboxHome::MapDrive(const std::string& prefix, const std::string& folder) {
  Upsert(drives_, prefix, folder);
  Reload();
}

void SandboxHome::AddAlias(const std::string& name, const std::string& path) {
  AddAliasLines(name, {"PATH=" + path});
}

void SandboxHome::AddAliasLines(const std::string& name, const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  Upsert(aliases_, name, text);
  Reload();
}

void SandboxHome::SetSystemValue(const std::string& key, const std::string& value) {
  Upsert(system_, key, value);
  Reload();
}

void SandboxHome::SetSecurityValue(const std::string& key, const std::string& value) {
  Upsert(security_, key, value);
  Reload();
}

void SandboxHome::SetIniValue(const std::string& section, const std::string& key, const std::string& value) {
  auto it = std::find_if(sections_.begin(), sections_.end(), [&](const auto& s) { return s.first == section; });
  if (it == sections_.end()) it = sections_.insert(sections_.end(), {section, {}});
  Upsert(it->second, key, value);
  Reload();
}

std::filesystem::path SandboxHome::HostPath(std::string_view windowsPath) const {
  const auto host = platform::ToHostPath(windowsPath);
  if (!host) throw std::runtime_error("not on a mapped drive: " + std::string(windowsPath));
  return *host;
}

std::filesystem::path SandboxHome::Write(std::string_view windowsPath, const std::string& content) const {
  const auto host = HostPath(windowsPath);
  std::filesystem::create_directories(host.parent_path());
  WriteText(host, content);
  return host;
}

void SandboxHome::Reload() {
  std::string system = "[Drives]\r\n";
  for (const auto& [prefix, folder] : drives_) {
    system += prefix + "=" + folder + "\r\n";
    const std::filesystem::path host(platform::ToUtf8(folder));
    if (!folder.empty() && host.is_relative()) std::filesystem::create_directories(Home() / host);
  }
  system += "[System]\r\n";
  for (const auto& [key, value] : system_) system += key + "=" + value + "\r\n";
  if (!security_.empty()) system += "[Security]\r\n";
  for (const auto& [key, value] : security_) system += key + "=" + value + "\r\n";
  for (const auto& [name, entries] : sections_) {
    system += "[" + name + "]\r\n";
    for (const auto& [key, value] : entries) system += key + "=" + value + "\r\n";
  }
  WriteText(Home() / "system.ini", system);
  std::string aliases;
  for (const auto& [name, lines] : aliases_) aliases += "[" + name + "]\r\n" + lines;
  WriteText(Home() / "aliases.ini", aliases);

  auto previous = platform::Environment::Exchange(platform::Environment::LoadFrom(Home()));
  if (firstLoad_) {
    saved_ = std::move(previous);
    firstLoad_ = false;
  }
}

}  // namespace lifto::test
