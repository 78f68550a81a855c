#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/CatalogueTables.h"
#include "support/TempFolder.h"

// The project editor of the real atualizar in edit mode, driven by the console front-end's
// answers as an unattended run would drive it: a project built from nothing, saved, reopened,
// changed and saved again, compared byte for byte with the script expected.
namespace lifto::test {
namespace {

namespace fs = std::filesystem;

struct EditRun {
  int status = -1;
  std::vector<std::string> transcript;  ///< one JSON object a line (UTF-8)
};

class EditProject : public ::testing::Test {
 protected:
  EditProject() {
    home_ = folder_.Path() / "home";
    fs::create_directories(home_ / "srv/PROJ");
    fs::create_directories(home_ / "drive_c/FONTES");
    std::ofstream(home_ / "system.ini", std::ios::binary)
        << "[Drives]\nC=drive_c\nF=srv\n[System]\nWindowsFolder=C:\\WINDOWS\n";
    fs::copy_file(LIFTO_TEST_DATA_DIR "/korami-6.5.0.12.exe", home_ / "drive_c/FONTES/KORAMI.EXE");
    // Edit mode opens the vendor's catalogue when it shows its window.
    std::ofstream(home_ / "aliases.ini", std::ios::binary) << "[ALIAS_VORN]\nPATH=F:\\VORN\n";
    CreateCatalogue(home_ / "srv/VORN", {});
  }

  // Runs `atualizar /E` with the answers (UTF-8; the shell sees them in single quotes).
  EditRun Edit(const std::string& answers) {
    const fs::path transcript = folder_.Path() / "transcript.jsonl";
    fs::remove(transcript);
    const std::string command = "cd '" + folder_.Path().string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY" +
                                " LIFTO_UI=console LIFTO_ANSWERS='" + answers + "' LIFTO_HOME='" +
                                home_.string() + "' LIFTO_TRANSCRIPT='" + transcript.string() + "' '" +
                                LIFTO_BINARY_DIR + "/atualizar' /E </dev/null >/dev/null 2>&1";
    EditRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(transcript);
    for (std::string line; std::getline(in, line);) run.transcript.push_back(line);
    return run;
  }

  std::string Project() const { return ReadFileBytes(home_ / "srv/PROJ/ATUAL65.aex"); }

  TempFolder folder_;
  fs::path home_;
};

// One command of the edit page: choose a line, then press something.
std::string Page(const std::string& line, const std::string& command) {
  return (line.empty() ? "" : "TFormaLifto.C_script=" + line + ",") + "TFormaLifto.comando=" + command + ",ok,";
}

TEST_F(EditProject, BuiltFromNothingSavedReopenedChangedAndSavedAgain) {
  const std::string build =
      Page("1", "bot_alt") + "TFormaEdicao.CmbAlias=ALIAS_KORAMI,ok," +
      Page("descricao=", "bot_alt") + "TFormaEdicao.C_dadochave1=Atualização 6.5,ok," +
      Page("[PONTO]", "Inserir Arquivo") +
      "TFormaEdicao.c_dadochave2=\\,TFormaEdicao.ChkInclui=sim,TFormaEdicao.bot_abrir=sim,"
      "arquivo=C:\\FONTES\\KORAMI.EXE|C:\\FONTES\\AJUDA.HLP,ok," +
      Page("[BACKUP]", "bot_inc") + "TFormaEdicao.c_chave=x,TFormaEdicao.C_dadochave1=<PONTO>\\INDICE.IDX,ok," +
      // An incomplete entry is refused and answered again.
      Page("[WINDOWS]", "C_scriptDblClick") + "TFormaEdicao.c_tipo=BACKUP,ok," +
      "TFormaEdicao.c_chave=K,TFormaEdicao.C_dadochave1=<WINDOWS>\\SYSTEM\\MINHADLL.DLL,ok," +
      Page("", "bot_salvarproj") + "arquivo=F:\\PROJ\\ATUAL65," + Page("", "bot_sair");
  const EditRun first = Edit(build);
  EXPECT_EQ(first.status, 0);
  const std::string saved =
      "[CONFIG]\r\nALIAS=ALIAS_KORAMI\r\nPROG=KORAMI.EXE\r\nTIPO=ATU\r\n"
      "DESCRICAO=ATUALIZA\xC7\xC3O 6.5\r\nVERSAO=6.5.0.12\r\nVERWIN=1\r\nEXECUTAR=\r\n\r\n"
      "[BACKUP]\r\nB_ARQ10=<PONTO>\\INDICE.IDX\r\nB_ARQ11=<WINDOWS>\\SYSTEM\\MINHADLL.DLL\r\n\r\n"
      "[PONTO]\r\nP_ARQ12=C:\\FONTES\\KORAMI.EXE , \\\r\nP_ARQ13=C:\\FONTES\\AJUDA.HLP , \\\r\n\r\n"
      "[SERVIDOR]\r\nS_ARQ15=C:\\FONTES\\KORAMI.EXE , \\\r\nS_ARQ17=C:\\FONTES\\AJUDA.HLP , \\\r\n\r\n"
      "[WINDOWS]\r\n";
  EXPECT_EQ(Project(), saved);

  // What the run showed: each dialog with its fields, the refusal, the chooser of several files.
  const auto has = [&](const std::string& text) {
    for (const auto& line : first.transcript) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_TRUE(has(R"({"type":"message","kind":4,"title":"Erro","text":"Erro dados não preenchidos"})"));
  EXPECT_TRUE(has(R"("name":"ChooseFile","result":"ok","titulo":"Selecione um Arquivo","filtro":"Todos os Arquivos|*.*","arquivo":"C:\\FONTES\\KORAMI.EXE|C:\\FONTES\\AJUDA.HLP")"));
  EXPECT_TRUE(has(R"("name":"SaveFile","result":"ok","titulo":"Salva o projeto")"));
  EXPECT_TRUE(has(R"({"type":"dialog","name":"TFormaEdicao","result":"ok","c_tipo":"CONFIG","c_chave":"DESCRICAO","C_dadochave1":"Atualização 6.5"})"));

  // Reopened: the server copy of the help file goes, the program's server entry moves to \DADOS\.
  const std::string change = Page("", "bot_abreproj") + "arquivo=F:\\PROJ\\ATUAL65.aex," + Page("19", "Delete") +
                             Page("18", "bot_alt") + "TFormaEdicao.c_dadochave2=\\DADOS\\,ok," +
                             Page("", "bot_salvarproj") + "cancela";
  const EditRun second = Edit(change);
  EXPECT_EQ(second.status, 0);
  std::string changed = saved;
  const std::string server = "S_ARQ15=C:\\FONTES\\KORAMI.EXE , \\\r\nS_ARQ17=C:\\FONTES\\AJUDA.HLP , \\\r\n";
  changed.replace(changed.find(server), server.size(), "S_ARQ18=C:\\FONTES\\KORAMI.EXE , \\DADOS\\\r\n");
  EXPECT_EQ(Project(), changed);

  // Nothing reaches the file without a save: changes followed by closing the window.
  const EditRun third = Edit(Page("", "bot_abreproj") + "arquivo=F:\\PROJ\\ATUAL65.aex," + Page("8", "Delete") +
                         Page("3", "Delete"));
  EXPECT_EQ(third.status, 0);
  EXPECT_EQ(Project(), changed);
}

}  // namespace
}  // namespace lifto::test
