#include <gtest/gtest.h>

#include "FormTestHelpers.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "support/Application.h"

namespace lifto::test {
namespace {

using app::TFormaLifto;

bool Ended() { return support::App().Terminated(); }
int ExitStatus() { return support::App().ExitCode(); }

TEST(FormaLifto, InteractiveModeWaitsForThePersonWithDiscoAndADrive) {
  FormHarness h;
  TFormaLifto& f = h.Create({});
  EXPECT_EQ(f.caption, "Lifto 8.2");  // FormCreate
  h.ShowActivatePaint();

  EXPECT_EQ(f.caption, Ansi("Lifto 8.2 (Modo Atualização)"));
  EXPECT_EQ(f.height, TFormaLifto::kAltura);
  EXPECT_TRUE(f.bot_atualizar.visible);
  EXPECT_TRUE(f.bot_confinet.visible);
  EXPECT_FALSE(f.bot_gerar.visible);
  EXPECT_FALSE(f.bot_alvo.visible);
  EXPECT_TRUE(f.Titulo1.visible);
  EXPECT_FALSE(f.Panelstatus.visible);
  EXPECT_EQ(f.C_pag.activePage, "C_atualizacao");
  EXPECT_TRUE(f.C_local.checked && f.C_rede.checked && f.C_windows.checked);

  EXPECT_EQ(f.C_origemDados.SelectedText(), "Disco");
  EXPECT_EQ(f.C_caminhoOrigem.Text(), "A:\\");
  EXPECT_EQ(f.focusedControl, "C_caminhoOrigem");
  EXPECT_EQ(f.C_caminhoOrigem.SelStart(), 0);
  EXPECT_EQ(f.C_caminhoOrigem.SelLength(), 3);
  EXPECT_FALSE(f.bot_confinet.enabled);
  EXPECT_EQ(h.filledFrom, std::vector<std::string>{"A:\\"});
  EXPECT_EQ(f.C_status.panel0, "Status");
  EXPECT_EQ(h.waits, std::vector<int>{1000});

  // Nothing starts by itself.
  h.Advance(60000);
  EXPECT_FALSE(f.C_tempo.Enabled());
  EXPECT_FALSE(h.loop.HasPendingWork());
  EXPECT_EQ(h.updates + h.downloads, 0);
  EXPECT_FALSE(Ended());
  EXPECT_EQ(ExitStatus(), 0);
  EXPECT_TRUE(h.ui.messages.empty());
}

TEST(FormaLifto, InteractiveSourceChoiceEnablesItsControls) {
  FormHarness h;
  TFormaLifto& f = h.Create({});
  h.ShowActivatePaint();
  f.ChooseOrigemDados(1);
  EXPECT_FALSE(f.C_caminhoOrigem.enabled);
  EXPECT_FALSE(f.bot_procurar.enabled);
  EXPECT_FALSE(f.C_dados.enabled);
  EXPECT_TRUE(f.bot_confinet.enabled);
  f.bot_atualizarClick();
  EXPECT_EQ(h.downloads, 1);
  f.ChooseOrigemDados(0);
  EXPECT_TRUE(f.C_caminhoOrigem.enabled && f.bot_procurar.enabled && f.C_dados.enabled);
  EXPECT_FALSE(f.bot_confinet.enabled);
  f.bot_atualizarClick();
  EXPECT_EQ(h.updates, 1);
}

TEST(FormaLifto, BrowsingForTheSourceFolderFillsTheScriptList) {
  FormHarness h;
  TFormaLifto& f = h.Create({});
  h.ShowActivatePaint();
  h.ui.folders.push_back(std::nullopt);
  f.bot_procurarClick();
  EXPECT_EQ(f.C_caminhoOrigem.Text(), "A:\\");
  h.ui.folders.push_back("F:\\UPD");
  f.bot_procurarClick();
  EXPECT_EQ(f.C_caminhoOrigem.Text(), "F:\\UPD");
  EXPECT_EQ(h.filledFrom, (std::vector<std::string>{"A:\\", "F:\\UPD"}));
}

class AutomaticUpdate : public ::testing::TestWithParam<const char*> {};

TEST_P(AutomaticUpdate, ReadsTheMarkerAndStartsTheProcedureThreeSecondsAfterThePaint) {
  FormHarness h;
  h.home.Write("F:\\KORAMI\\updates\\atualiza.ok", "x.aex\r\nignored\r\n");
  h.knownFolders["KORAMI"] = "F:\\KORAMI\\updates";
  TFormaLifto& f = h.Create({GetParam(), "/korami.exe"});
  h.ShowActivatePaint();

  EXPECT_EQ(f.caption, Ansi("Lifto 8.2 KORAMI(Atualização Automatica)"));
  EXPECT_EQ(f.height, TFormaLifto::kAlturaPainel);
  EXPECT_FALSE(f.Titulo1.visible);
  EXPECT_TRUE(f.Panelstatus.visible);
  EXPECT_EQ(f.Panelstatus.left, TFormaLifto::kPainelEsquerda);
  EXPECT_EQ(f.Panelstatus.top, TFormaLifto::kPainelTopo);
  EXPECT_EQ(h.waits, (std::vector<int>{1000, 1500}));

  EXPECT_EQ(f.C_origemDados.itemIndex, 0);
  EXPECT_EQ(f.C_caminhoOrigem.Text(), "F:\\KORAMI\\updates");
  EXPECT_EQ(f.context.scriptEscolhido, "x.aex");
  EXPECT_FALSE(f.enabled);
  EXPECT_EQ(f.C_status.panel0, "Processando...");
  EXPECT_EQ(f.Panelstatus.caption, "Processando...");
  EXPECT_EQ(f.labelstatus.caption, "Processando...");
  EXPECT_FALSE(f.bot_atualizar.enabled || f.bot_confinet.enabled || f.C_dados.enabled ||
               f.C_opcoes.enabled || f.C_origemDados.enabled);

  ASSERT_TRUE(f.C_tempo.Enabled());
  EXPECT_EQ(f.C_tempo.Interval(), TFormaLifto::kTempoMs);
  h.Advance(TFormaLifto::kTempoMs - 1);
  EXPECT_EQ(h.updates, 0);
  h.Advance(1);
  EXPECT_EQ(h.updates, 1);
  EXPECT_FALSE(f.C_tempo.Enabled());
  EXPECT_TRUE(f.enabled);

  // Activating and painting again (after a message box) never starts a second run.
  h.loop.Post([&] { f.FormActivate(); });
  h.loop.Post([&] { f.FormPaint(); });
  h.Advance(10000);
  EXPECT_EQ(h.updates, 1);
  // The procedure did not report its work as done: the run is not a success.
  EXPECT_EQ(ExitStatus(), 1);
}

INSTANTIATE_TEST_SUITE_P(Switches, AutomaticUpdate, ::testing::Values("/R", "/r", "/L", "/l"));

TEST(FormaLifto, AutomaticUpdateWithoutMarkerEndsBeforeAnyTimer) {
  FormHarness h;
  h.home.Write("F:\\PAVRO\\updates\\X.aex", "[CONFIG]\r\n");
  h.knownFolders["PAVRO"] = "F:\\PAVRO\\updates";
  TFormaLifto& f = h.Create({"/R", "/PAVRO.EXE"});
  h.ShowActivatePaint();

  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].kind, 2);
  EXPECT_EQ(h.ui.messages[0].text,
            Ansi("Foi detectado que o arquivo Atualiza.ok não consta no diretório especificado"));
  EXPECT_TRUE(Ended());
  EXPECT_EQ(ExitStatus(), 1);
  EXPECT_FALSE(f.C_tempo.Enabled());
  EXPECT_FALSE(h.loop.HasPendingWork());
  h.Advance(10000);
  EXPECT_EQ(h.updates, 0);
}

TEST(FormaLifto, AutomaticUpdateOfAnUnknownProgramEnds) {
  FormHarness h;
  h.Create({"/L", "/XYZ.EXE"});
  h.ShowActivatePaint();
  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].kind, 4);
  EXPECT_EQ(h.ui.messages[0].text,
            Ansi("O Programa <XYZ.EXE> não esta configurado para atualização Automatica"));
  EXPECT_TRUE(Ended());
  EXPECT_EQ(ExitStatus(), 1);
}

TEST(FormaLifto, AutomaticDownloadChoosesInternetAndStartsAfterThePaint) {
  for (const char* sw : {"/I", "/d"}) {
    FormHarness h;
    TFormaLifto& f = h.Create({sw, "/seldor.exe"});
    h.ShowActivatePaint();
    EXPECT_EQ(f.caption, "Lifto 8.2 SELDOR(Download)");
    EXPECT_EQ(f.height, TFormaLifto::kAltura);
    EXPECT_TRUE(f.Titulo1.visible);
    EXPECT_TRUE(f.Panelstatus.visible);
    EXPECT_EQ(f.C_origemDados.SelectedText(), "Internet");
    EXPECT_FALSE(f.C_caminhoOrigem.enabled);
    EXPECT_FALSE(f.enabled);
    h.Advance(TFormaLifto::kTempoMs - 1);
    EXPECT_EQ(h.downloads, 0);
    h.Advance(1);
    EXPECT_EQ(h.downloads, 1);
    EXPECT_EQ(h.updates, 0);
    EXPECT_TRUE(h.ui.messages.empty());
  }
}

TEST(FormaLifto, PathModeStartsTheProcedureFromThePaint) {
  FormHarness h;
  h.home.Write("F:\\UPD\\X.aex", "[CONFIG]\r\n");
  TFormaLifto& f = h.Create({"/F:\\UPD\\X.aex", "/NV:1234"});
  EXPECT_EQ(f.commandLine().NotificationHandleText(), "1234");
  h.ShowActivatePaint();

  EXPECT_EQ(f.caption, Ansi("Lifto 8.2 (Modo Atualização)"));
  EXPECT_TRUE(f.context.modoCaminho);
  EXPECT_EQ(f.labelstatus.caption, Ansi("Iniciando processo de atualização..."));
  EXPECT_FALSE(f.bot_atualizar.visible || f.bot_confinet.visible || f.Titulo1.visible);
  EXPECT_EQ(f.height, TFormaLifto::kAlturaPainel);
  EXPECT_TRUE(f.Panelstatus.visible);
  EXPECT_TRUE(f.enabled);
  h.Advance(TFormaLifto::kTempoMs);
  EXPECT_EQ(h.updates, 1);
  EXPECT_EQ(ExitStatus(), 1);  // until the procedure reports the work done
  f.MarkWorkDone();
  EXPECT_EQ(ExitStatus(), 0);
}

TEST(FormaLifto, PathModeWithoutTheFileEndsAtOnce) {
  FormHarness h;
  TFormaLifto& f = h.Create({"/F:\\UPD\\NADA.aex"});
  h.ShowActivatePaint();
  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].kind, 4);
  EXPECT_EQ(h.ui.messages[0].text, Ansi("Caminho inválido:F:\\UPD\\NADA.aex"));
  EXPECT_TRUE(Ended());
  EXPECT_EQ(ExitStatus(), 1);
  EXPECT_TRUE(h.filledFrom.empty());
  EXPECT_FALSE(f.C_tempo.Enabled());
}

TEST(FormaLifto, ASwitchWithMoreLettersIsAScriptPath) {
  FormHarness h;
  h.Create({"/Rx", "/KORAMI.EXE"});
  h.ShowActivatePaint();
  ASSERT_EQ(h.ui.messages.size(), 1u);
  const std::string text = h.ui.messages[0].text;
  EXPECT_EQ(text.rfind(Ansi("Caminho inválido:"), 0), 0u) << text;
  EXPECT_EQ(text.substr(text.size() - 3), "\\Rx");  // a bare name beside the tool
  EXPECT_EQ(ExitStatus(), 1);
}

TEST(FormaLifto, EditModeLaysOutTheEditPage) {
  FormHarness h;
  TFormaLifto& f = h.Create({"/e"});
  h.ShowActivatePaint();
  EXPECT_EQ(f.caption, Ansi("Lifto 8.2 (Modo Edição)"));
  EXPECT_EQ(f.height, TFormaLifto::kAlturaEdicao);
  EXPECT_EQ(f.C_pag.activePage, "C_edicao");
  EXPECT_FALSE(f.bot_atualizar.visible);
  EXPECT_FALSE(f.bot_confinet.visible);
  EXPECT_TRUE(f.bot_gerar.visible && f.bot_alvo.visible);
  EXPECT_TRUE(f.context.programaWindows);
  EXPECT_EQ(h.catalogueOpens, 1);
  EXPECT_TRUE(h.waits.empty());
  EXPECT_FALSE(Ended());
  f.bot_sairClick();
  EXPECT_EQ(h.catalogueCloses, 1);
  EXPECT_TRUE(Ended());
  EXPECT_EQ(ExitStatus(), 0);
}

TEST(FormaLifto, EditModeWithAProjectGeneratesAndEnds) {
  for (bool generated : {true, false}) {
    FormHarness h;
    h.generateResult = generated;
    h.home.Write("F:\\PROJ\\X.aex", "[CONFIG]\r\nTIPO=ATU\r\n");
    TFormaLifto& f = h.Create({"/E", "F:\\PROJ\\X.aex"});
    h.ShowActivatePaint();
    EXPECT_EQ(f.C_edicao.C_script.items, (std::vector<std::string>{"[CONFIG]", "TIPO=ATU"}));
    EXPECT_EQ(h.generatedProjects, std::vector<std::string>{"F:\\PROJ\\X.aex"});
    EXPECT_EQ(f.geracao.pastaGeracao, "F:\\PROJ");
    EXPECT_EQ(f.C_edicao.C_projeto.Text(), "F:\\PROJ\\X.aex");
    EXPECT_TRUE(Ended());
    EXPECT_EQ(ExitStatus(), generated ? 0 : 1);
  }
}

TEST(FormaLifto, EditModeWithAProjectThatCannotBeReadGeneratesNothing) {
  FormHarness h;
  h.Create({"/E", "F:\\PROJ\\NADA.aex"});
  h.ShowActivatePaint();
  EXPECT_TRUE(h.generatedProjects.empty());
  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].kind, 4);
  EXPECT_NE(h.ui.messages[0].text.find("F:\\PROJ\\NADA.aex"), std::string::npos);
  EXPECT_TRUE(Ended());
  EXPECT_EQ(ExitStatus(), 1);
}

TEST(FormaLifto, StatusConventionWritesPanelZeroAndCopies) {
  FormHarness h;
  TFormaLifto& f = h.Create({});
  f.SetStatus("Ponto...");
  EXPECT_EQ(f.C_status.panel0, "Ponto...");
  EXPECT_EQ(f.Panelstatus.caption, "Ponto...");
  EXPECT_EQ(f.labelstatus.caption, "Ponto...");
  f.SetStatusBar("Copiando...");
  EXPECT_EQ(f.C_status.panel0, "Copiando...");
  EXPECT_EQ(f.labelstatus.caption, "Ponto...");
  f.EnableUpdateControls(false);
  EXPECT_FALSE(f.C_dados.enabled || f.C_opcoes.enabled || f.C_origemDados.enabled ||
               f.bot_confinet.enabled || f.bot_atualizar.enabled);
  EXPECT_TRUE(f.bot_procurar.enabled);  // not one of the update controls
}

TEST(FormaLifto, AsTheUpdateProceduresWindow) {
  FormHarness h;
  TFormaLifto& f = h.Create({});
  h.ShowActivatePaint();
  update::UpdateWindow& w = f;
  w.SetSourceFolder("F:\\UPD");
  EXPECT_EQ(h.filledFrom.back(), "F:\\UPD");
  w.ShowWorkingLayout();
  EXPECT_TRUE(f.Panelstatus.visible);
  EXPECT_FALSE(f.bot_atualizar.visible || f.bot_confinet.visible || f.Titulo1.visible);
  EXPECT_EQ(f.height, TFormaLifto::kAlturaPainel);
  w.MarkFailed();
  EXPECT_FALSE(Ended());
  EXPECT_EQ(ExitStatus(), 1);
  w.CloseWindow();
  EXPECT_TRUE(Ended());
  EXPECT_FALSE(f.visible);
  EXPECT_EQ(ExitStatus(), 1);
}

}  // namespace
}  // namespace lifto::test
