#include "UtilitiesSandboxHelpers.h"

#include <cstdlib>

#include "platform/Environment.h"

namespace lifto::test {

UtilitiesSandbox::UtilitiesSandbox(const std::string& aliasesIni) {
  folder_.Write("system.ini", "[Drives]\r\nC=drive_c\r\nZ=/\r\n[System]\r\nWindowsFolder=C:\\WINDOWS\r\n");
  folder_.Write("aliases.ini", aliasesIni);
  std::filesystem::create_directories(DriveC() / "WINDOWS");
  setenv("LIFTO_HOME", Home().c_str(), 1);
  platform::Environment::SetCurrent(platform::Environment::LoadFrom(Home()));
}

UtilitiesSandbox::~UtilitiesSandbox() {
  platform::Environment::Reset();
  unsetenv("LIFTO_HOME");
}

std::filesystem::path UtilitiesSandbox::WriteOnC(const std::string& relative, const std::string& content) const {
  return folder_.Write(std::filesystem::path("drive_c") / relative, content);
}

}  // namespace lifto::test
