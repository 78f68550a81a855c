#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"
#include "project/DiskGeneration.h"
#include "support/FakeUi.h"
#include "support/SandboxHome.h"
#include "support/TempFolder.h"

namespace lifto::project {
namespace {

using test::FakeUi;
using test::ReadFileBytes;
using test::SandboxHome;

const std::string kProject = "C:\\PROJ\\ATUAL65.aex";

// The window as generation sees it, with the archive component replaced by a recorder that can
// confirm further disks and fail, and the catalogue by a counter.
class FakeWindow : public GenerationWindow {
 public:
  GenerationState state;
  ScriptLines script;
  std::string path = kProject;
  bool changed = false;
  int saves = 0;
  std::vector<std::string> statuses;
  struct BackupCall {
    std::vector<std::string> files;
    std::string archive;
    std::int32_t maxSize;
  };
  std::vector<BackupCall> backups;
  int disksToConfirm = 0;  ///< further disks the archive asks for and gets
  std::function<void()> duringBackup;
  bool backupResult = true;
  int records = 0;
  bool recordAborts = false;

  GenerationState& Generation() override { return state; }
  std::string Caption() const override { return "Lifto 8.2 (Modo Edição)"; }
  std::string ProjectPath() const override { return path; }
  const ScriptLines& Script() const override { return script; }
  bool ProjectChanged() const override { return changed; }
  void SaveProject() override {
    ++saves;
    changed = false;
  }
  void SetStatus(const std::string& text) override { statuses.push_back("status:" + text); }
  void SetStatusBar(const std::string& text) override { statuses.push_back("bar:" + text); }
  void SetProgress(int) override {}
  bool Backup(const std::vector<std::string>& files, const std::string& archive,
              std::int32_t maxSize) override {
    backups.push_back({files, archive, maxSize});
    state.discosGerados += disksToConfirm;
    if (duringBackup) duringBackup();
    return backupResult;
  }
  void RecordCatalogue() override {
    if (recordAborts) throw platform::db::EAbort();
    ++records;
  }
};

class DiskGeneration : public ::testing::Test {
 protected:
  DiskGeneration() : home_({{"D", "d"}, {"A", "floppy"}}) {
    home_.Write("C:\\FONTES\\KORAMI.EXE", "program");
    home_.Write("C:\\FONTES\\TABSQL.DB", "table");
    window_.script = {"[CONFIG]", "PROG=KORAMI.EXE", "VERSAO=6.5.0.12", "",
                      "[BACKUP]", "B_ARQ5=<PONTO>\\INDICE.IDX", "",
                      "[PONTO]", "P_ARQ8=C:\\FONTES\\KORAMI.EXE , \\", "",
                      "[SERVIDOR]", "S_ARQ11=C:\\FONTES\\TABSQL.DB , \\DADOS\\", "S_ARQ12=C:\\FONTES\\KORAMI.EXE , \\", "",
                      "[WINDOWS]"};
    home_.Write(kProject, "[CONFIG]\r\nPROG=KORAMI.EXE\r\n\r\n[PONTO]\r\n");
    std::filesystem::create_directories(home_.HostPath("D:\\SAIDA"));
    std::filesystem::create_directories(home_.HostPath("A:\\"));
  }

  std::string Read(const std::string& windowsPath) { return ReadFileBytes(home_.HostPath(windowsPath)); }

  SandboxHome home_;
  FakeUi ui_;
  FakeUi::Scope scope_{ui_};
  FakeWindow window_;
};

TEST(DiskGenerationNames, ArchiveNameTargetAndVolumeSize) {
  EXPECT_EQ(NomeAtu("C:\\PROJ\\ATUAL65.aex"), "ATUAL65.ATU");
  EXPECT_EQ(NomeAtu("a:\\proj.aex"), "proj.ATU");
  EXPECT_EQ(PathInFolder("D:\\SAIDA", "X.ATU"), "D:\\SAIDA\\X.ATU");
  EXPECT_EQ(PathInFolder("A:\\", "X.ATU"), "A:\\X.ATU");
  EXPECT_EQ(FolderOfProject("C:\\PROJ\\ATUAL65.aex"), "C:\\PROJ");
  EXPECT_EQ(FolderOfProject("A:\\X.aex"), "A:\\");
  EXPECT_EQ(MaxSizeFor("A:\\X.ATU"), 1437664);
  EXPECT_EQ(MaxSizeFor("B:\\X.ATU"), 1437664);
  EXPECT_EQ(MaxSizeFor("a:\\X.ATU"), 0);  // lower case is not taken for a diskette
  EXPECT_EQ(MaxSizeFor("D:\\SAIDA\\X.ATU"), 0);
}

TEST_F(DiskGeneration, FileListRunsFromPontoOnAndStopsAtAMissingFile) {
  // Every section after "[PONTO]"; a file named twice is listed twice; "[BACKUP]" is not read.
  auto files = CollectFileList(window_.script, "T");
  ASSERT_TRUE(files);
  EXPECT_EQ(*files, (std::vector<std::string>{"C:\\FONTES\\KORAMI.EXE", "C:\\FONTES\\TABSQL.DB",
                                              "C:\\FONTES\\KORAMI.EXE"}));
  // Without a "[PONTO]" line the list is empty, whatever the other sections hold.
  EXPECT_EQ(CollectFileList({"[CONFIG]", "[SERVIDOR]", "S_ARQ2=C:\\FONTES\\TABSQL.DB , \\"}, "T"),
            std::vector<std::string>{});
  EXPECT_TRUE(ui_.messages.empty());

  EXPECT_FALSE(CollectFileList({"[PONTO]", "P_ARQ1=C:\\FONTES\\FALTA.EXE , \\"}, "Lifto 8.2"));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].title, "Lifto 8.2");
  EXPECT_EQ(ui_.messages[0].text, Ansi("C:\\FONTES\\FALTA.EXE\r\rArquivo não encontrado"));
}

TEST_F(DiskGeneration, ChecksStopBeforeAnythingIsWritten) {
  struct Case {
    const char* name;
    std::string path;
    bool changed;
    std::deque<bool> answers;
    std::deque<std::optional<std::string>> folders;
    std::string message;  // the one message shown, empty for none
    int saves;
  };
  const std::vector<Case> cases = {
      {"blank project", "", false, {}, {}, Ansi("Não se pode Gerar Atualização a partir de um projeto em branco"), 0},
      {"save declined", kProject, true, {false}, {}, Ansi("Não se pode Gerar Atualização, Salve o projeto primeiro"), 0},
      {"saved, folder dialog cancelled", kProject, true, {true}, {std::nullopt}, "", 1},
      {"drive A: not ready, cancelled", kProject, false, {false}, {"A:\\NADA"}, "Insira o Disco no Drive", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    window_ = FakeWindow{};
    window_.script = {"[PONTO]"};
    window_.path = c.path;
    window_.changed = c.changed;
    ui_.messages.clear();
    ui_.questions.clear();
    ui_.answers = c.answers;
    ui_.folders = c.folders;
    EXPECT_EQ(GenerateDisks(window_, true), GenerationResult::NotGenerated);
    EXPECT_TRUE(window_.backups.empty());
    EXPECT_EQ(window_.saves, c.saves);
    ASSERT_EQ(ui_.messages.size(), c.message.empty() ? 0u : 1u);
    if (!c.message.empty()) {
      EXPECT_EQ(ui_.messages[0].text, c.message);
    }
  }
  // The diskette question names the drive and repeats until it is cancelled.
  ASSERT_EQ(ui_.questions.size(), 1u);
  EXPECT_EQ(ui_.questions[0].text, "Erro com o drive A:, deseja continuar ?");
  EXPECT_EQ(ui_.questions[0].style, 2);
}

TEST_F(DiskGeneration, FolderDialogStartsAtTheProjectAndCancelClearsTheTarget) {
  ui_.folders = {"D:\\SAIDA", std::nullopt};
  ChooseGenerationFolder(window_);
  EXPECT_EQ(window_.state.pastaGeracao, "D:\\SAIDA");
  ChooseGenerationFolder(window_);
  EXPECT_EQ(window_.state.pastaGeracao, "");
  ASSERT_EQ(ui_.browsed.size(), 2u);
  EXPECT_EQ(ui_.browsed[0].first,
            Ansi("Selecione o Caminho de Destino dos\rarquivos de atualização que serão gerados:"));
  EXPECT_EQ(ui_.browsed[0].second, "C:\\PROJ");
  EXPECT_EQ(ui_.browsed[1].second, "D:\\SAIDA");
}

TEST_F(DiskGeneration, IntoAFolderTheCopyGetsTheCountAndTheProjectStaysAsItWas) {
  window_.state.pastaGeracao = "D:\\SAIDA";
  EXPECT_EQ(GenerateDisks(window_, true), GenerationResult::Generated);
  ASSERT_EQ(window_.backups.size(), 1u);
  EXPECT_EQ(window_.backups[0].archive, "D:\\SAIDA\\ATUAL65.ATU");
  EXPECT_EQ(window_.backups[0].maxSize, 0);
  EXPECT_EQ(window_.backups[0].files.size(), 3u);
  EXPECT_EQ(Read("D:\\SAIDA\\ATUAL65.aex"), "[CONFIG]\r\nPROG=KORAMI.EXE\r\nNUMDISCOS=1\r\n\r\n[PONTO]\r\n");
  EXPECT_EQ(Read(kProject), "[CONFIG]\r\nPROG=KORAMI.EXE\r\n\r\n[PONTO]\r\n");
  EXPECT_EQ(window_.records, 1);
  EXPECT_EQ(window_.statuses, (std::vector<std::string>{"status:Copiando...", "bar:Status"}));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, Ansi("Cópia concluída com sucesso!"));

  // Started by the window (the command line): the same set, no success message.
  ui_.messages.clear();
  EXPECT_EQ(GenerateDisks(window_, false), GenerationResult::Generated);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(DiskGeneration, OnDiskettesTheFirstDiskIsAskedForAgainAndGetsTheCount) {
  window_.state.pastaGeracao = "A:\\";
  window_.disksToConfirm = 1;
  EXPECT_EQ(GenerateDisks(window_, true), GenerationResult::Generated);
  EXPECT_EQ(window_.backups[0].maxSize, 1437664);
  EXPECT_EQ(window_.backups[0].archive, "A:\\ATUAL65.ATU");
  EXPECT_NE(Read("A:\\ATUAL65.aex").find("NUMDISCOS=2\r\n"), std::string::npos);
  EXPECT_EQ(ui_.MessageTexts(),
            (std::vector<std::string>{"Insira o Disco no Drive", "Insira o primeiro disco em A:\\",
                                      Ansi("Cópia concluída com sucesso!")}));
}

TEST_F(DiskGeneration, AnIncompleteSetIsNeitherCountedNorRecorded) {
  // The archive stopped (a declined disk or an error it reported).
  window_.state.pastaGeracao = "D:\\SAIDA";
  window_.backupResult = false;
  EXPECT_EQ(GenerateDisks(window_, true), GenerationResult::NotGenerated);
  EXPECT_EQ(Read("D:\\SAIDA\\ATUAL65.aex").find("NUMDISCOS"), std::string::npos);
  EXPECT_EQ(window_.records, 0);
  EXPECT_TRUE(ui_.messages.empty());

  // The last disk stays in the drive and the first never comes back: declining the request
  // ends the run instead of asking forever.
  window_ = FakeWindow{};
  window_.script = {"[PONTO]"};
  window_.state.pastaGeracao = "A:\\";
  window_.disksToConfirm = 2;
  window_.duringBackup = [this] { std::filesystem::remove(home_.HostPath("A:\\ATUAL65.aex")); };
  ui_.answers = {true, false};
  EXPECT_EQ(GenerateDisks(window_, true), GenerationResult::NotGenerated);
  EXPECT_EQ(window_.records, 0);
  ASSERT_EQ(ui_.questions.size(), 2u);
  EXPECT_EQ(ui_.questions[1].text, "Insira o primeiro disco em A:\\");
  EXPECT_EQ(ui_.MessageTexts().back(), "Insira o primeiro disco em A:\\");
}

TEST_F(DiskGeneration, AFailedScriptCopyStopsTheRun) {
  // A folder of the script's name in the target: the copy cannot be written.
  std::filesystem::create_directories(home_.HostPath("D:\\SAIDA\\ATUAL65.aex"));
  window_.state.pastaGeracao = "D:\\SAIDA";
  EXPECT_EQ(GenerateDisks(window_, true), GenerationResult::NotGenerated);
  EXPECT_TRUE(window_.backups.empty());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].kind, 4);
  EXPECT_NE(ui_.messages[0].text.find("D:\\SAIDA\\ATUAL65.aex"), std::string::npos);
}

TEST_F(DiskGeneration, ACatalogueRowThatCannotBePostedLeavesTheSetWithoutSuccessMessage) {
  window_.state.pastaGeracao = "D:\\SAIDA";
  window_.recordAborts = true;
  EXPECT_EQ(GenerateDisks(window_, true), GenerationResult::NotRecorded);
  EXPECT_NE(Read("D:\\SAIDA\\ATUAL65.aex").find("NUMDISCOS=1"), std::string::npos);
  EXPECT_TRUE(ui_.messages.empty());
}

}  // namespace
}  // namespace lifto::project
