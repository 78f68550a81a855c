#include "UpdateFixture.h"

#include <cstdlib>
#include <fstream>

#include <sys/stat.h>

#include "platform/Paths.h"
#include "platform/Registry.h"

namespace lifto::test {

FixedClock::FixedClock(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  when_ = std::chrono::system_clock::from_time_t(std::mktime(&local));
}

UpdateFixture::UpdateFixture() {
  std::filesystem::create_directories(home.Home() / "tmp");
  std::filesystem::permissions(home.Home() / "tmp", std::filesystem::perms::owner_all);

  home.Write("C:\\KORAMI\\KORAMI.EXE", "old program");
  home.Write("F:\\KORAMI\\DADOS\\NOVO.DB", "");
  SetAppPath("KORAMI.EXE", "C:\\KORAMI");

  context.programaExe = "KORAMI.EXE";
  context.aliasPrograma = "ALIAS_KORAMI";
  context.pastaServidor = "F:\\KORAMI";
  context.programaWindows = true;
  context.ownExecutable = "C:\\WINDOWS\\SYSTEM\\ATUALIZAR.EXE";
}


void UpdateFixture::SetAppPath(const std::string& programFile, const std::string& folder) const {
  platform::WriteRegistry(platform::RootKey::LocalMachine,
                          "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + programFile,
                          "Path", folder);
}

bool UpdateFixture::Exists(std::string_view windowsPath) const {
  return std::filesystem::exists(Host(windowsPath));
}

std::string UpdateFixture::Read(std::string_view windowsPath) const {
  return ReadFileBytes(Host(windowsPath));
}

void UpdateFixture::MakeReadOnly(std::string_view windowsPath) const {
  std::filesystem::permissions(Host(windowsPath), std::filesystem::perms::owner_write |
                                                      std::filesystem::perms::group_write |
                                                      std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
}

void UpdateFixture::WriteProgram(const std::filesystem::path& host, const std::string& script) const {
  std::filesystem::create_directories(host.parent_path());
  {
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out << script;
  }
  std::filesystem::permissions(host, std::filesystem::perms::owner_all);
}

}  // namespace lifto::test
