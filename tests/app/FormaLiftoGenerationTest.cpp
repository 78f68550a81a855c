#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FormTestHelpers.h"
#include "app/FormaLiftoGeneration.h"
#include "platform/Codepage.h"
#include "support/Application.h"
#include "support/CatalogueTables.h"

// "&Gerar", "&Local" and the client choice of the edit page, with the real catalogue tables.
namespace lifto::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class FormaLiftoGeneration : public ::testing::Test {
 protected:
  FormaLiftoGeneration() {
    h_.home.AddAlias("ALIAS_VORN", "F:\\VORN");
    CreateCatalogue(h_.home.HostPath("F:\\VORN"), {{"BETA", "Beta"}, {"ACME", "Acme"}});
    h_.services.openCatalogueTables = app::OpenCatalogueTables;
    h_.services.closeCatalogueTables = app::CloseCatalogueTables;
    h_.services.generateDisks = app::GenerateDisksByButton;
    h_.services.chooseGenerationFolder = app::ChooseGenerationFolder;
    h_.services.clientChanged = app::ClientChanged;
    h_.home.Write("F:\\FONTES\\KORAMI.EXE", "program");
    h_.home.Write("F:\\PROJ\\ATUAL65.aex",
                  "[CONFIG]\r\nPROG=KORAMI.EXE\r\nTIPO=REQ\r\nDESCRICAO=X\r\n\r\n[BACKUP]\r\nB_ARQ6=<PONTO>\\INDICE.IDX\r\n\r\n"
                  "[PONTO]\r\nP_ARQ9=F:\\FONTES\\KORAMI.EXE , \\\r\n\r\n[SERVIDOR]\r\n\r\n[WINDOWS]\r\n");
    std::filesystem::create_directories(h_.home.HostPath("F:\\SAIDA"));
    form_ = &h_.Create({"/E"});
    h_.ShowActivatePaint();
    form_->C_edicao.LoadProject("F:\\PROJ\\ATUAL65.aex");
  }

  std::vector<std::string> Query(const std::string& table, const std::string& columns) {
    return QueryRows(h_.home.HostPath("F:\\VORN\\" + table + ".sqlite"), "SELECT " + columns + " FROM " + table);
  }

  FormHarness h_;
  app::TFormaLifto* form_ = nullptr;
};

TEST_F(FormaLiftoGeneration, TheChosenClientGetsTheSetAndPickingARowTakesItsAbbreviation) {
  auto& clientes = form_->C_edicao.C_clientes;
  EXPECT_THAT(clientes.items, ElementsAre("ACME  Acme", "BETA  Beta"));
  form_->C_edicao.SetClientText("ACME  Acme");  // picked from the list
  EXPECT_EQ(clientes.Text(), "ACME");
  EXPECT_TRUE(form_->clientes.TextoExiste());

  h_.ui.folders = {"F:\\SAIDA"};
  form_->bot_gerarClick();
  EXPECT_EQ(h_.ui.MessageTexts().back(), Ansi("Cópia concluída com sucesso!"));
  EXPECT_THAT(Query("DISCOS", "AEX, ABREV, TIPO, NUMDISCOS"), ElementsAre("F:\\PROJ\\ATUAL65.aex|ACME|1|1"));
  EXPECT_THAT(Query("ARQUIVOS", "DISCO, CHAVE, NOMEARQ"),
              ElementsAre("1|PONTO|F:\\FONTES\\KORAMI.EXE", "1|BACKUP|<PONTO>\\INDICE.IDX"));
  EXPECT_EQ(support::App().ExitCode(), 0);

  // The folder chosen is kept; a text that begins no client records nothing.
  form_->C_edicao.SetClientText("XY");
  form_->bot_gerarClick();
  EXPECT_EQ(Query("DISCOS", "COUNT(*)"), std::vector<std::string>{"1"});
  EXPECT_THAT(h_.ui.browsed.size(), 1u);
}

TEST_F(FormaLiftoGeneration, ACancelledFolderDialogClearsTheTargetAndGeneratesNothing) {
  h_.ui.folders = {"F:\\SAIDA", std::nullopt};
  form_->bot_alvoClick();
  EXPECT_EQ(form_->geracao.pastaGeracao, "F:\\SAIDA");
  EXPECT_EQ(h_.ui.browsed[0].second, "F:\\PROJ");
  form_->bot_alvoClick();
  EXPECT_EQ(form_->geracao.pastaGeracao, "");
  form_->bot_gerarClick();  // asks again, and is cancelled again
  EXPECT_EQ(h_.ui.browsed.size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(h_.home.HostPath("F:\\SAIDA\\ATUAL65.ATU")));
  EXPECT_EQ(support::App().ExitCode(), 1);
}

}  // namespace
}  // namespace lifto::test
