#include <algorithm>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "e2e/UpdateOfficeHelpers.h"
#include "support/CatalogueTables.h"

// Update sets generated through the real atualizar from the command line ("/E" and a project).
namespace lifto::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// The vendor's machine: the sample office's drives, the catalogue in ALIAS_VORN (F:\VORN) and the
// sources of an update in C:\FONTES.
class Generation : public ::testing::Test {
 protected:
  Generation() {
    office_.Home().AddAlias("ALIAS_VORN", "F:\\VORN");
    CreateCatalogue(office_.Host("F:\\VORN"), {{"ACME", "Acme"}});
    office_.Write("C:\\FONTES\\KORAMI.EXE", "program");
    office_.Write("C:\\FONTES\\TABSQL.DB", "table");
  }

  // A project naming the files in "[PONTO]" and "[SERVIDOR]".
  void WriteProject(const std::string& path, const std::vector<std::string>& ponto,
                    const std::vector<std::string>& servidor = {}) {
    std::string text = "[CONFIG]\r\nALIAS=ALIAS_KORAMI\r\nPROG=KORAMI.EXE\r\nTIPO=ATU\r\nVERSAO=6.5.0.12\r\n\r\n[BACKUP]\r\n\r\n[PONTO]\r\n";
    int key = 20;
    for (const auto& file : ponto) text += "P_ARQ" + std::to_string(key++) + "=" + file + " , \\\r\n";
    text += "\r\n[SERVIDOR]\r\n";
    for (const auto& file : servidor) text += "S_ARQ" + std::to_string(key++) + "=" + file + " , \\DADOS\\\r\n";
    text += "\r\n[WINDOWS]\r\n";
    office_.Write(path, text);
  }

  // Incompressible content, so that it spans diskettes.
  void WriteRandom(const std::string& path, std::size_t bytes) {
    std::mt19937 random(7);
    std::string data(bytes, '\0');
    for (auto& c : data) c = static_cast<char>(random());
    office_.Write(path, data);
  }

  std::vector<std::string> AtuList(const std::string& archive) {
    const std::string command = "LIFTO_HOME='" + office_.Home().Home().string() + "' '" LIFTO_BINARY_DIR
                                "/atu' list '" + archive + "' 2>&1";
    std::vector<std::string> lines;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[1024];
      while (fgets(buffer, sizeof buffer, pipe)) lines.emplace_back(buffer);
      pclose(pipe);
    }
    return lines;
  }

  std::vector<std::string> Discos() { return QueryRows(office_.Host("F:\\VORN\\DISCOS.sqlite"), "SELECT * FROM DISCOS"); }

  Office office_;
};

// One command of the edit page, as the console front-end takes it.
std::string Page(const std::string& command) { return "TFormaLifto.comando=" + command + ",ok,"; }

TEST_F(Generation, ForAChosenClientTheSetIsRecordedWithARowPerEntryOfTheProjectOnDisk) {
  // TIPO=REQ in the project, and the rows in the order PONTO, SERVIDOR, WINDOWS, BACKUP whatever
  // the order of the sections in the file.
  office_.Write("C:\\PROJ\\ATUAL65.aex",
                "[CONFIG]\r\nALIAS=ALIAS_KORAMI\r\nPROG=KORAMI.EXE\r\nTIPO=REQ\r\nVERSAO=6.5.0.12\r\n\r\n"
                "[BACKUP]\r\nB_ARQ10=<PONTO>\\INDICE.IDX\r\n\r\n"
                "[PONTO]\r\nP_ARQ20=C:\\FONTES\\KORAMI.EXE , \\\r\nP_ARQ21=C:\\FONTES\\TABSQL.DB , \\\r\n\r\n"
                "[SERVIDOR]\r\nS_ARQ22=C:\\FONTES\\TABSQL.DB , \\DADOS\\\r\n\r\n[WINDOWS]\r\n");
  fs::create_directories(office_.Host("C:\\SAIDA"));
  const AtualizarRun run = office_.Run(
      {"/E"}, Page("bot_abreproj") + "arquivo=C:\\PROJ\\ATUAL65.aex,TFormaLifto.C_clientes=acme," + Page("bot_alvo") +
                  "pasta=C:\\SAIDA," + Page("bot_gerar") + Page("bot_sair"));
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.Shows("Cópia concluída com sucesso!")) << run.output;
  EXPECT_THAT(office_.Read("C:\\SAIDA\\ATUAL65.aex"), HasSubstr("VERSAO=6.5.0.12\r\nNUMDISCOS=1\r\n"));
  EXPECT_THAT(office_.Read("C:\\PROJ\\ATUAL65.aex"), ::testing::Not(HasSubstr("NUMDISCOS")));
  EXPECT_THAT(QueryRows(office_.Host("F:\\VORN\\DISCOS.sqlite"), "SELECT CONTROLE, AEX, ABREV, TIPO, NUMDISCOS FROM DISCOS"),
              ::testing::ElementsAre("1|C:\\PROJ\\ATUAL65.aex|ACME|1|1"));
  EXPECT_THAT(QueryRows(office_.Host("F:\\VORN\\ARQUIVOS.sqlite"), "SELECT DISCO, CHAVE, NOMEARQ, TAMARQ FROM ARQUIVOS"),
              ::testing::ElementsAre("1|PONTO|C:\\FONTES\\KORAMI.EXE|7", "1|PONTO|C:\\FONTES\\TABSQL.DB|5",
                                     "1|SERVIDOR|C:\\FONTES\\TABSQL.DB|5", "1|BACKUP|<PONTO>\\INDICE.IDX|"));
}

TEST_F(Generation, IntoTheProjectsFolderTheProjectItselfGetsTheDiskCount) {
  WriteProject("C:\\PROJ\\ATUAL65.aex", {"C:\\FONTES\\KORAMI.EXE"}, {"C:\\FONTES\\TABSQL.DB", "C:\\FONTES\\KORAMI.EXE"});
  const AtualizarRun run = office_.Run({"/E", "C:\\PROJ\\ATUAL65.aex"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.transcript.empty()) << run.output;  // no success message from the command line
  EXPECT_THAT(office_.Read("C:\\PROJ\\ATUAL65.aex"), HasSubstr("VERSAO=6.5.0.12\r\nNUMDISCOS=1\r\n\r\n[BACKUP]"));
  // A file entered in two sections is stored once.
  const auto list = AtuList("C:\\PROJ\\ATUAL65.ATU");
  ASSERT_GE(list.size(), 3u);
  EXPECT_EQ(std::count_if(list.begin(), list.end(), [](const std::string& l) { return l.find("korami.exe") != std::string::npos; }), 1);
  EXPECT_FALSE(office_.Exists("C:\\PROJ\\ATUAL65.002"));
  EXPECT_TRUE(Discos().empty());  // the command line records nothing
}

TEST_F(Generation, OntoDiskettesEachVolumeFitsAndDeclinedDisksLeaveNoCount) {
  WriteRandom("C:\\FONTES\\BIG.DAT", 3000000);
  WriteProject("A:\\ATUAL65.aex", {"C:\\FONTES\\BIG.DAT"});
  const AtualizarRun declined = office_.Run({"/E", "A:\\ATUAL65.aex"}, "ok,cancela");
  EXPECT_EQ(declined.status, 1) << declined.output;
  EXPECT_THAT(office_.Read("A:\\ATUAL65.aex"), ::testing::Not(HasSubstr("NUMDISCOS")));

  const AtualizarRun run = office_.Run({"/E", "A:\\ATUAL65.aex"}, "ok,ok");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.Shows("Insira o Disco no Drive"));
  EXPECT_TRUE(run.Shows("Insira o Disco 3"));
  EXPECT_TRUE(run.Shows("Insira o primeiro disco em A:\\\\"));
  for (const char* volume : {"A:\\ATUAL65.ATU", "A:\\ATUAL65.002", "A:\\ATUAL65.003"}) {
    ASSERT_TRUE(office_.Exists(volume)) << volume;
    EXPECT_LE(fs::file_size(office_.Host(volume)), 1437664u) << volume;
  }
  EXPECT_THAT(office_.Read("A:\\ATUAL65.aex"), HasSubstr("VERSAO=6.5.0.12\r\nNUMDISCOS=3\r\n"));

  // A project path in small letters is not taken for a diskette: one volume.
  WriteProject("a:\\proj.aex", {"C:\\FONTES\\BIG.DAT"});
  EXPECT_EQ(office_.Run({"/E", "a:\\proj.aex"}).status, 0);
  EXPECT_GT(fs::file_size(office_.Host("A:\\proj.ATU")), 3000000u);
  EXPECT_FALSE(office_.Exists("A:\\proj.002"));
  EXPECT_THAT(office_.Read("A:\\proj.aex"), HasSubstr("NUMDISCOS=1"));
}

TEST_F(Generation, ASigningKeySignsEachVolumeOnItsDisketteAndTheScriptWithItsCount) {
  const std::string atu = "'" LIFTO_BINARY_DIR "/atu' ";
  const auto shell = [&](const std::string& arguments) {
    return std::system(("LIFTO_HOME='" + office_.Home().Home().string() + "' " + atu + arguments + " >/dev/null 2>&1").c_str());
  };
  fs::create_directories(office_.Host("C:\\VENDOR"));
  ASSERT_EQ(shell("keygen --unencrypted --public 'C:\\VENDOR\\v.pub' --secret 'C:\\VENDOR\\v.key'"), 0);
  WriteRandom("C:\\FONTES\\BIG.DAT", 3000000);
  WriteProject("A:\\ATUAL65.aex", {"C:\\FONTES\\BIG.DAT"});

  office_.Home().SetSecurityValue("SigningKey", "C:\\VENDOR\\nokey.key");
  const AtualizarRun refused = office_.Run({"/E", "A:\\ATUAL65.aex"}, "ok,ok");
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(refused.Shows("Não foi possível usar a chave de assinatura: cannot read ")) << refused.output;
  EXPECT_FALSE(office_.Exists("A:\\ATUAL65.ATU"));

  office_.Home().SetSecurityValue("SigningKey", "C:\\VENDOR\\v.key");
  const AtualizarRun run = office_.Run({"/E", "A:\\ATUAL65.aex"}, "ok,ok");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(office_.Read("A:\\ATUAL65.aex"), HasSubstr("NUMDISCOS=3"));
  EXPECT_EQ(shell("verify 'A:\\ATUAL65.aex' 'A:\\ATUAL65.ATU' 'A:\\ATUAL65.002' 'A:\\ATUAL65.003' --key 'C:\\VENDOR\\v.pub'"), 0);
  EXPECT_EQ(office_.Read("A:\\ATUAL65.003.minisig").find("PRIVATE"), std::string::npos);

  // The office that holds the vendor's public key installs the set as generated, from the diskettes.
  const std::string publicKey = office_.Read("C:\\VENDOR\\v.pub");
  const auto keyLine = publicKey.find('\n') + 1;
  office_.Home().SetSecurityValue("PublicKey", publicKey.substr(keyLine, publicKey.find('\n', keyLine) - keyLine));
  const AtualizarRun update =
      office_.Run({}, "TFormaLifto.caminho=A:\\,TFormaLifto.versao=ATUAL65.aex,ok,ok,ok,ok");
  EXPECT_EQ(update.status, 0) << update.output;
  EXPECT_EQ(office_.Read("C:\\KORAMI\\BIG.DAT"), office_.Read("C:\\FONTES\\BIG.DAT"));
  EXPECT_EQ(office_.LogLines().size(), 1u);
}

TEST_F(Generation, FailuresEndWithStatusOneAndNoDiskCount) {
  struct Case {
    const char* name;
    std::vector<std::string> ponto;
    std::function<void()> prepare;
    std::string shown;  // UTF-8
  };
  const std::vector<Case> cases = {
      {"missing source", {"C:\\FONTES\\FALTA.EXE"}, {}, "C:\\\\FONTES\\\\FALTA.EXE\\r\\rArquivo não encontrado"},
      {"archive cannot be written", {"C:\\FONTES\\KORAMI.EXE"},
       [this] { fs::create_directories(office_.Host("C:\\PROJ\\ATUAL65.ATU")); },
       "Erro do Sistema: Cannot write to archive"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(office_.Host("C:\\PROJ"));
    WriteProject("C:\\PROJ\\ATUAL65.aex", c.ponto);
    if (c.prepare) c.prepare();
    const AtualizarRun run = office_.Run({"/E", "C:\\PROJ\\ATUAL65.aex"});
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_TRUE(run.Shows(c.shown)) << run.output;
    EXPECT_THAT(office_.Read("C:\\PROJ\\ATUAL65.aex"), ::testing::Not(HasSubstr("NUMDISCOS")));
  }
  // A script without "[PONTO]" passes an empty list: an archive without files.
  office_.Write("C:\\PROJ\\VAZIO.aex", "[CONFIG]\r\nPROG=KORAMI.EXE\r\n\r\n[SERVIDOR]\r\nS_ARQ4=C:\\FONTES\\FALTA.DB , \\\r\n");
  EXPECT_EQ(office_.Run({"/E", "C:\\PROJ\\VAZIO.aex"}).status, 0);
  EXPECT_TRUE(office_.Exists("C:\\PROJ\\VAZIO.ATU"));
}

}  // namespace
}  // namespace lifto::test
