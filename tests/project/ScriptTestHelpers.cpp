#include "project/ScriptTestHelpers.h"

namespace lifto::test {

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
