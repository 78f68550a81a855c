#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "e2e/UpdateOfficeHelpers.h"
#include "support/CatalogueTables.h"

// From the vendor to the office: a project built with the console editor of the real atualizar,
// generated onto diskettes in A: for a client, and installed from those diskettes in an office.
namespace lifto::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// One command of the edit page: choose a line, then press something.
std::string Page(const std::string& line, const std::string& command) {
  return (line.empty() ? "" : "TFormaLifto.C_script=" + line + ",") + "TFormaLifto.comando=" + command + ",ok,";
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string data(size, '\0');
  for (auto& c : data) c = static_cast<char>(random());
  return data;
}

TEST(RoundTrip, AProjectEditedGeneratedOnThreeDiskettesAndInstalledInAnOffice) {
  std::map<std::string, std::string> sources;  // file name → content
  std::map<std::string, std::string> diskettes;  // what the vendor's A: holds afterwards
  {
    Office vendor;
    vendor.Home().AddAlias("ALIAS_VORN", "F:\\VORN");
    CreateCatalogue(vendor.Host("F:\\VORN"), {{"ACME", "Acme Contabilidade"}, {"BETA", "Beta"}});
    sources["KORAMI.EXE"] = ReadFileBytes(LIFTO_TEST_DATA_DIR "/korami-6.5.0.12.exe");
    sources["DADOS.DAT"] = RandomBytes(3000000, 11);  // incompressible: three diskettes
    sources["TABSQL.DB"] = "the new table";
    for (const auto& [name, content] : sources) vendor.Write("C:\\FONTES\\" + name, content);
    fs::create_directories(vendor.Host("C:\\PROJ"));

    const std::string answers =
        Page("1", "bot_alt") + "TFormaEdicao.CmbAlias=ALIAS_KORAMI,ok," +
        Page("[PONTO]", "bot_inc") + "TFormaEdicao.c_dadochave2=\\,TFormaEdicao.bot_abrir=sim,"
        "arquivo=C:\\FONTES\\KORAMI.EXE|C:\\FONTES\\DADOS.DAT,ok," +
        Page("[SERVIDOR]", "bot_inc") + "TFormaEdicao.c_dadochave2=\\DADOS\\,TFormaEdicao.bot_abrir=sim,"
        "arquivo=C:\\FONTES\\TABSQL.DB,ok," +
        Page("", "bot_salvarproj") + "arquivo=C:\\PROJ\\ATUAL65," +
        "TFormaLifto.C_clientes=acme," + Page("", "bot_alvo") + "pasta=A:\\," +
        Page("", "bot_gerar") + "ok,ok," + Page("", "bot_sair");
    const AtualizarRun run = vendor.Run({"/E"}, answers);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(run.Shows("Insira o Disco 3")) << run.output;
    EXPECT_TRUE(run.Shows("Cópia concluída com sucesso!")) << run.output;

    // The project keeps no disk count; the copy on the first disk has it.
    EXPECT_THAT(vendor.Read("C:\\PROJ\\ATUAL65.aex"), ::testing::Not(HasSubstr("NUMDISCOS")));
    EXPECT_THAT(vendor.Read("A:\\ATUAL65.aex"), HasSubstr("VERSAO=6.5.0.12\r\nVERWIN=1\r\nEXECUTAR=\r\nNUMDISCOS=3\r\n"));
    EXPECT_THAT(QueryRows(vendor.Host("F:\\VORN\\DISCOS.sqlite"), "SELECT CONTROLE, AEX, ABREV, TIPO, NUMDISCOS FROM DISCOS"),
                ElementsAre("1|C:\\PROJ\\ATUAL65.aex|ACME|1|3"));
    EXPECT_THAT(QueryRows(vendor.Host("F:\\VORN\\ARQUIVOS.sqlite"), "SELECT DISCO, CHAVE, NOMEARQ, TAMARQ FROM ARQUIVOS"),
                ElementsAre("1|PONTO|C:\\FONTES\\KORAMI.EXE|" + std::to_string(sources["KORAMI.EXE"].size()),
                            "1|PONTO|C:\\FONTES\\DADOS.DAT|3000000", "1|SERVIDOR|C:\\FONTES\\TABSQL.DB|13"));
    for (const auto& entry : fs::directory_iterator(vendor.Host("A:\\"))) {
      EXPECT_LE(entry.file_size(), 1437664u) << entry.path();
      diskettes[entry.path().filename().string()] = ReadFileBytes(entry.path());
    }
  }
  EXPECT_EQ(diskettes.size(), 4u);  // the script and three volumes

  Office office;  // version 6.5.0.11 installed
  for (const auto& [name, content] : diskettes) office.Write("A:\\" + name, content);
  // The diskette question, then disks 2 and 3 while the archive is restored.
  const AtualizarRun install = office.Run({}, "TFormaLifto.caminho=A:\\,TFormaLifto.versao=ATUAL65.aex,ok,ok,ok,ok");
  EXPECT_EQ(install.status, 0) << install.output;
  EXPECT_EQ(office.Read("C:\\KORAMI\\KORAMI.EXE"), sources["KORAMI.EXE"]);
  EXPECT_EQ(office.Read("C:\\KORAMI\\DADOS.DAT"), sources["DADOS.DAT"]);
  EXPECT_EQ(office.Read("F:\\KORAMI\\DADOS\\TABSQL.DB"), sources["TABSQL.DB"]);
  const auto log = office.LogLines();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_THAT(log[0], HasSubstr("Atualização para versao 6.5.0.12 : F:\\KORAMI\\UPDATES\\ATUAL65.aex"));
}

}  // namespace
}  // namespace lifto::test
