#include "project/ScriptTestHelpers.h"

#include "platform/Environment.h"

namespace lifto::test {

ScriptSandbox::ScriptSandbox() {
  folder_.Write("home/system.ini", "[Drives]\r\nC=drive_c\r\n");
  std::filesystem::create_directories(folder_.Path() / "home" / "drive_c");
  platform::Environment::SetCurrent(platform::Environment::LoadFrom(folder_.Path() / "home"));
}

ScriptSandbox::~ScriptSandbox() { platform::Environment::Reset(); }

std::filesystem::path ScriptSandbox::Host(const std::string& relative) const {
  return folder_.Path() / "home" / "drive_c" / relative;
}

std::filesystem::path ScriptSandbox::Write(const std::string& relative,
                                           const std::string& bytes) const {
  return folder_.Write(std::filesystem::path("home") / "drive_c" / relative, bytes);
}

project::ScriptLines ExampleScript() {
  return {"[CONFIG]",
          "ALIAS=ALIAS_KORAMI",
          "PROG=KORAMI.EXE",
          "TIPO=ATU",
          "DESCRICAO=ATUALIZACAO 6.5",
          "VERSAO=6.5.0.12",
          "VERWIN=1",
          "EXECUTAR=",
          "",
          "[BACKUP]",
          "B_ARQ10=<PONTO>\\INDICE.IDX",
          "",
          "[PONTO]",
          "P_ARQ13=C:\\FONTES\\KORAMI.EXE , \\",
          "",
          "[SERVIDOR]",
          "S_ARQ16=C:\\FONTES\\TABSQL.DB , \\DADOS\\",
          "",
          "[WINDOWS]",
          "W_ARQ19=C:\\FONTES\\MINHADLL.DLL , \\SYSTEM\\"};
}

}  // namespace lifto::test
