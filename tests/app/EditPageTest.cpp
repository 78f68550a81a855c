#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "FormTestHelpers.h"
#include "platform/Codepage.h"
#include "project/Script.h"
#include "support/TempFolder.h"

// The project editor's page and its entry dialog against the fake Ui: what each command does to
// the script in memory, to projetoAlterado and to the project file.
namespace lifto::test {
namespace {

using app::EditPage;
using app::TFormaEdicao;
using Fields = std::vector<std::pair<std::string, std::string>>;
using Lines = std::vector<std::string>;

constexpr int kPonto = 11;    // "[PONTO]" in a new script
constexpr int kWindows = 15;  // "[WINDOWS]"

class EditPageTest : public ::testing::Test {
 protected:
  EditPageTest() {
    h.services.refreshVersion = [this](project::ScriptLines& lines) {
      ++refreshes;
      if (!version.empty()) lines[5] = "VERSAO=" + version;
    };
    h.Create({"/E"});
    h.ShowActivatePaint();
  }

  EditPage& page() { return h.form().C_edicao; }
  Lines& lines() { return page().C_script.items; }
  void Answer(Fields fields, bool ok = true) { h.ui.dialogAnswers.push_back({std::move(fields), ok}); }
  // The entry dialog as it was shown the n-th time (from 0).
  const support::DialogRequest& Shown(std::size_t n) { return h.ui.shownDialogs.at(n); }

  FormHarness h;
  int refreshes = 0;
  std::string version;
};

TEST_F(EditPageTest, StartsWithANewProjectOnItsPage) {
  EXPECT_EQ(h.form().C_pag.activePage, "C_edicao");
  EXPECT_EQ(h.form().height, app::TFormaLifto::kAlturaEdicao);
  EXPECT_EQ(lines(), project::NewScript());
  EXPECT_EQ(page().C_projeto.Text(), "");
  EXPECT_FALSE(page().projetoAlterado);
  EXPECT_EQ(page().GrupoCliente.caption, "Cliente:");
  EXPECT_EQ(page().bot_salvarproj.hint, "Salva Projeto");
  EXPECT_EQ(page().SpeedButton1.hint, "Atualiza Script");
  std::vector<std::string> menu;
  for (const auto& item : page().PopupMenu1) menu.push_back(item.caption);
  EXPECT_EQ(menu, (Lines{"Inserir Arquivo", "Alterar Arquivo", "-", "Excluir arquivo"}));
}

TEST_F(EditPageTest, FilesChosenTogetherGiveOneEntryEachAndTheServerCopies) {
  page().ChooseLine(kPonto);
  h.ui.fileLists.push_back({"C:\\fontes\\KORAMI.EXE", "C:\\FONTES\\AJUDA.HLP"});
  Answer({{"bot_abrir", "sim"}, {"c_dadochave2", "\\"}, {"ChkInclui", "sim"}});
  page().bot_incClick();

  ASSERT_EQ(h.ui.fileDialogs.size(), 1u);
  EXPECT_EQ(h.ui.fileDialogs[0].title, "Selecione um Arquivo");
  EXPECT_EQ(h.ui.fileDialogs[0].filter, "Todos os Arquivos|*.*");
  EXPECT_TRUE(h.ui.fileDialogs[0].multiSelect);
  EXPECT_EQ(Shown(0).Field("c_tipo"), "PONTO");
  EXPECT_EQ(Lines(lines().begin() + 11, lines().end()),
            (Lines{"[PONTO]", "P_ARQ12=C:\\FONTES\\KORAMI.EXE , \\", "P_ARQ13=C:\\FONTES\\AJUDA.HLP , \\", "",
                   "[SERVIDOR]", "S_ARQ15=C:\\FONTES\\KORAMI.EXE , \\", "S_ARQ17=C:\\FONTES\\AJUDA.HLP , \\",
                   "", "[WINDOWS]"}));
  EXPECT_EQ(page().C_script.itemIndex, 13);  // the entry's own line, not its server copy
  EXPECT_TRUE(page().projetoAlterado);
  EXPECT_EQ(refreshes, 1);
  EXPECT_EQ(h.form().focusedControl, "C_script");
}

struct InsertCase {
  const char* name;
  int selected;
  Fields fields;
  Lines expected;   ///< lines from `from` on
  int from;
};

class InsertEntry : public EditPageTest, public ::testing::WithParamInterface<InsertCase> {};

TEST_P(InsertEntry, WritesTheLinesOfItsSection) {
  const InsertCase& c = GetParam();
  page().ChooseLine(c.selected);
  Answer(c.fields);
  page().bot_incClick();
  EXPECT_TRUE(h.ui.messages.empty());
  EXPECT_EQ(Lines(lines().begin() + c.from, lines().begin() + c.from + static_cast<long>(c.expected.size())),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EditPage, InsertEntry,
    ::testing::Values(
        InsertCase{"ConfigValueWithCommasGivesNumberedKeys", 3,
                   {{"c_chave", "obs"}, {"C_dadochave1", "A , B"}},
                   {"EXECUTAR=", "OBS1=A", "OBS2=B", "", "[BACKUP]"}, 7},
        InsertCase{"WindowsEntryWithoutFolderKeepsTheSeparator", kWindows,
                   {{"C_dadochave1", "C:\\X\\A.DLL"}},
                   {"[WINDOWS]", "W_ARQ16=C:\\X\\A.DLL , "}, 15},
        InsertCase{"BackupEntryHasOneField", 9,
                   {{"c_chave", "x"}, {"C_dadochave1", "<ponto>\\indice.idx"}},
                   {"[BACKUP]", "B_ARQ10=<PONTO>\\INDICE.IDX", ""}, 9},
        InsertCase{"TypeChosenInTheDialogWinsOverTheSelectedSection", -1,
                   {{"c_tipo", "servidor"}, {"C_dadochave1", "C:\\A.DB"}, {"c_dadochave2", "\\DADOS\\"}},
                   {"[SERVIDOR]", "S_ARQ14=C:\\A.DB , \\DADOS\\", ""}, 13}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditPageTest, IncompleteEntryIsRefusedAndShownAgain) {
  page().ChooseLine(kPonto);
  Answer({{"C_dadochave1", "C:\\A.EXE"}});  // no target folder
  Answer({{"c_dadochave2", "\\TEXTOS\\"}});
  page().bot_incClick();
  EXPECT_EQ(h.ui.MessageTexts(), Lines{Ansi("Erro dados não preenchidos")});
  ASSERT_EQ(h.ui.dialogs.size(), 2u);
  EXPECT_EQ(Shown(1).Field("C_dadochave1"), "C:\\A.EXE");  // what was typed stays
  EXPECT_EQ(lines()[12], "P_ARQ12=C:\\A.EXE , \\TEXTOS\\");
}

TEST_F(EditPageTest, RefusedConfirmationsChangeNothing) {
  // A section that is none of the five types: no type is chosen, and the entry is refused.
  lines().insert(lines().end(), {"", "[EXTRA]", "X=1"});
  page().ChooseLine(18);
  Answer({{"C_dadochave1", "Y"}});
  Answer({}, false);
  page().bot_incClick();
  // The key ALIAS takes its value from CmbAlias, which the insert dialog keeps hidden.
  page().ChooseLine(2);
  Answer({{"c_chave", "ALIAS"}, {"C_dadochave1", "ALIAS_KORAMI"}, {"CmbAlias", "ALIAS_KORAMI"}});
  page().bot_incClick();

  EXPECT_EQ(Shown(0).Field("c_tipo"), "");
  EXPECT_EQ(h.ui.MessageTexts(), (Lines{Ansi("Erro dados não preenchidos"), Ansi("Erro dados não preenchidos")}));
  EXPECT_EQ(lines().size(), 19u);
  EXPECT_FALSE(page().projetoAlterado);
}

TEST_F(EditPageTest, CancelledInsertStillRefreshesTheVersion) {
  version = "6.5.0.12";
  page().ChooseLine(kPonto);
  Answer({{"C_dadochave1", "C:\\A.EXE"}}, false);
  page().bot_incClick();
  EXPECT_EQ(lines()[5], "VERSAO=6.5.0.12");
  EXPECT_EQ(lines().size(), 16u);
  EXPECT_FALSE(page().projetoAlterado);
}

TEST_F(EditPageTest, AlteringTheAliasRewritesTheProgram) {
  page().ChooseLine(1);  // "ALIAS="
  Answer({{"CmbAlias", "alias_morba"}});
  page().bot_altClick();
  EXPECT_EQ(Shown(0).Field("CmbAlias"), "ALIAS_KORAMI");  // an empty alias starts on the first
  EXPECT_EQ(Shown(0).Field("C_dadochave1"), "");
  EXPECT_EQ(lines()[1], "ALIAS=ALIAS_MORBA");
  EXPECT_EQ(lines()[2], "PROG=MORBA.EXE");
  EXPECT_TRUE(page().projetoAlterado);
  EXPECT_FALSE(page().FormaEdicao().c_tipo.enabled);

  // An alias outside the table selects nothing, so it must be chosen again.
  lines()[1] = "ALIAS=OUTRO";
  Answer({});
  Answer({{"CmbAlias", "ASELDOR"}});
  page().bot_altClick();
  EXPECT_EQ(Shown(1).Field("CmbAlias"), "");
  EXPECT_EQ(lines()[1], "ALIAS=ASELDOR");
  EXPECT_EQ(lines()[2], "PROG=SELDOR.EXE");
}

TEST_F(EditPageTest, AlteringAFileEntryKeepsItsSectionAndRenumbersItsKey) {
  lines().insert(lines().begin() + 12, "P_ARQ40=C:\\OLD.EXE , \\DADOS\\");
  page().ChooseLine(12);
  Answer({{"c_tipo", "WINDOWS"}, {"C_dadochave1", "c:\\new.exe"}});
  page().bot_altClick();
  EXPECT_EQ(Shown(0).Field("C_dadochave1"), "C:\\OLD.EXE");
  EXPECT_EQ(Shown(0).Field("c_dadochave2"), "\\DADOS\\");
  EXPECT_EQ(lines()[12], "P_ARQ12=C:\\NEW.EXE , \\DADOS\\");
  EXPECT_TRUE(h.ui.fileDialogs.empty());
}

TEST_F(EditPageTest, DoubleClickOnAHeaderInsertsIntoThatSection) {
  page().ChooseLine(kPonto);
  page().C_scriptDblClick();
  ASSERT_EQ(h.ui.dialogs.size(), 1u);
  EXPECT_EQ(Shown(0).Field("c_tipo"), "PONTO");
  EXPECT_EQ(page().FormaEdicao().Tag, 0);
  EXPECT_TRUE(page().FormaEdicao().c_tipo.enabled);
}

TEST_F(EditPageTest, DeleteRemovesEntriesButNotHeadersOrBlanks) {
  page().ChooseLine(6);  // "VERWIN=1"
  page().C_scriptKeyDown(EditPage::kVkDelete);
  EXPECT_EQ(lines().size(), 15u);
  EXPECT_EQ(lines()[6], "EXECUTAR=");
  EXPECT_EQ(page().C_script.itemIndex, 5);
  EXPECT_TRUE(page().projetoAlterado);

  page().projetoAlterado = false;
  page().ChooseLine(0);
  page().bot_delClick();
  page().ChooseLine(7);  // blank
  page().bot_delClick();
  page().C_scriptKeyDown(EditPage::kVkReturn);
  page().ChooseLine(-1);
  page().bot_delClick();
  page().bot_altClick();
  EXPECT_EQ(h.ui.MessageTexts(), Lines{Ansi("Não se pode apagar um Grupo de opções")});
  EXPECT_EQ(lines().size(), 15u);
  EXPECT_FALSE(page().projetoAlterado);
  EXPECT_TRUE(h.ui.dialogs.empty());
}

TEST_F(EditPageTest, RightButtonSelectsTheLineUnderThePointer) {
  page().C_scriptMouseDown(true, 4);
  EXPECT_EQ(page().C_script.itemIndex, 4);
  page().C_scriptMouseDown(false, 6);
  page().C_scriptMouseDown(true, -1);
  EXPECT_EQ(page().C_script.itemIndex, 4);
  page().PopupMenu1[3].onClick();
  EXPECT_EQ(lines()[4], "VERSAO=0.0.0.0");
}

TEST_F(EditPageTest, SaveAsWritesTheFileAndClearsTheChange) {
  version = "1.0.0.1";
  lines()[3] = "TIPO=REQ";
  page().projetoAlterado = true;
  h.ui.saveFiles.push_back(std::nullopt);
  page().bot_salvarprojClick();  // cancelled: only the version was refreshed
  EXPECT_EQ(lines()[5], "VERSAO=1.0.0.1");
  EXPECT_TRUE(page().projetoAlterado);

  std::filesystem::create_directories(h.home.HostPath("F:\\PROJ"));
  h.ui.saveFiles.push_back("F:\\PROJ\\ATUAL65");
  page().bot_salvarprojClick();
  EXPECT_EQ(h.ui.fileDialogs.back().title, "Salva o projeto");
  EXPECT_EQ(h.ui.fileDialogs.back().filter, Ansi("Atualização de Executáveis|*.aex"));
  EXPECT_EQ(page().C_projeto.Text(), "F:\\PROJ\\ATUAL65.aex");
  EXPECT_FALSE(page().projetoAlterado);
  EXPECT_EQ(ReadFileBytes(h.home.HostPath("F:\\PROJ\\ATUAL65.aex")), project::ScriptText(lines()));

  // With a name, saving asks nothing and does not refresh.
  version = "9.9.9.9";
  lines()[4] = "DESCRICAO=X";
  page().bot_salvarprojClick();
  EXPECT_EQ(h.ui.fileDialogs.size(), 2u);
  EXPECT_EQ(ReadFileBytes(h.home.HostPath("F:\\PROJ\\ATUAL65.aex")), project::ScriptText(lines()));
  EXPECT_EQ(lines()[5], "VERSAO=1.0.0.1");
}

TEST_F(EditPageTest, FailedSaveNamesTheFileAndKeepsEverything) {
  page().projetoAlterado = true;
  h.ui.saveFiles.push_back("Q:\\SEM\\DRIVE.aex");  // an unmapped drive
  EXPECT_FALSE(page().SaveProject());
  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].kind, 4);
  EXPECT_NE(h.ui.messages[0].text.find("Q:\\SEM\\DRIVE.aex"), std::string::npos);
  EXPECT_EQ(page().C_projeto.Text(), "");
  EXPECT_TRUE(page().projetoAlterado);

  // Answering "Sim" to saving before a new project, when the save fails, keeps the changes.
  lines()[4] = "DESCRICAO=GUARDAR";
  h.ui.answers.push_back(true);
  h.ui.saveFiles.push_back("Q:\\SEM\\DRIVE.aex");
  page().bot_novoprojClick();
  EXPECT_EQ(h.ui.questions.at(0).text, Ansi("Deseja salvar modificações no projeto"));
  EXPECT_EQ(lines()[4], "DESCRICAO=GUARDAR");
  EXPECT_TRUE(page().projetoAlterado);

  // "Não" discards them.
  h.ui.answers.push_back(false);
  page().bot_novoprojClick();
  EXPECT_EQ(lines(), project::NewScript());
  EXPECT_FALSE(page().projetoAlterado);
}

TEST_F(EditPageTest, OpenReadsTheProjectAndAFailedOpenChangesNothing) {
  h.home.Write("F:\\PROJ\\A.aex", "[CONFIG]\r\nPROG=KORAMI.EXE\rVERSAO=1\n");
  h.ui.files.push_back("F:\\PROJ\\A.aex");
  page().bot_abreprojClick();
  EXPECT_EQ(h.ui.fileDialogs.at(0).title, "Selecione o Projeto");
  EXPECT_EQ(lines(), (Lines{"[CONFIG]", "PROG=KORAMI.EXE", "VERSAO=1"}));
  EXPECT_EQ(page().C_projeto.Text(), "F:\\PROJ\\A.aex");
  EXPECT_EQ(refreshes, 1);

  page().projetoAlterado = true;
  h.ui.answers.push_back(false);
  h.ui.files.push_back("F:\\PROJ\\NADA.aex");
  page().bot_abreprojClick();
  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_NE(h.ui.messages[0].text.find("F:\\PROJ\\NADA.aex"), std::string::npos);
  EXPECT_EQ(lines().size(), 3u);
  EXPECT_EQ(page().C_projeto.Text(), "F:\\PROJ\\A.aex");
  EXPECT_TRUE(page().projetoAlterado);
}

TEST_F(EditPageTest, HelpIsAPlainBoxWithLinesEndedByCarriageReturns) {
  page().bot_ajudaClick();
  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].kind, 0);
  const std::string& text = h.ui.messages[0].text;
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 31);
  EXPECT_EQ(text.substr(0, text.find('\r')), Ansi("Com Este módulo você poderá gerar os disco de instalação."));
  EXPECT_NE(text.find(Ansi("\r              -> TIPO: é o tipo gerado,'ATU' para Atualização ou 'REQ'\r")),
            std::string::npos);
  EXPECT_EQ(text.substr(text.rfind('\r') + 1), "[WINDOWS] -> arquivos a ser instalado no windows local.");
}

// ---- The dialog alone ----

struct LayoutCase {
  const char* tipo;
  bool chave;
  const char* dado1Caption;
  bool fileControls;
  bool inclui;
};

class EntryDialogLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(EntryDialogLayout, FollowsTheType) {
  const LayoutCase& c = GetParam();
  TFormaEdicao d;
  d.SetTipo(c.tipo);
  d.ArrangeForType();
  EXPECT_EQ(d.c_chave.visible, c.chave);
  EXPECT_EQ(d.C_TituloDado1.caption, Ansi(c.dado1Caption));
  EXPECT_EQ(d.c_dadochave2.visible, c.fileControls);
  EXPECT_EQ(d.bot_abrir.visible, c.fileControls);
  EXPECT_EQ(d.ChkInclui.visible, c.inclui);
  EXPECT_EQ(d.larguraDado1, c.fileControls ? TFormaEdicao::kLarguraDado1Estreita : TFormaEdicao::kLarguraDado1);
}

INSTANTIATE_TEST_SUITE_P(EditPage, EntryDialogLayout,
                         ::testing::Values(LayoutCase{"CONFIG", true, "Configuração", false, false},
                                           LayoutCase{"BACKUP", true, "Backup", false, false},
                                           LayoutCase{"PONTO", false, "Arq. Origem", true, true},
                                           LayoutCase{"SERVIDOR", false, "Arq. Origem", true, false},
                                           LayoutCase{"WINDOWS", false, "Arq. Origem", true, false}),
                         [](const auto& info) { return std::string(info.param.tipo); });

TEST(EntryDialog, FieldHelpersOpenTheChooserAndConfirmOnEnter) {
  FakeUi ui;
  FakeUi::Scope scope(ui);
  TFormaEdicao d;
  d.Tag = 0;
  d.SetTipo("PONTO");
  d.c_dadochave2.SetText("\\DADOS\\");
  d.C_dadochave1.SetText("OLD");
  d.FormShow();
  d.FormActivate();
  EXPECT_EQ(d.C_dadochave1.Text(), "");  // insert clears the fields
  EXPECT_EQ(d.c_dadochave2.Text(), "");
  EXPECT_EQ(d.focusedControl, "c_tipo");

  ui.fileLists.push_back({"c:\\a.exe"});
  d.C_dadochave1Exit();  // leaving the path empty opens the chooser
  EXPECT_EQ(d.C_dadochave1.Text(), "C:\\A.EXE");
  d.C_dadochave1KeyDown(true);  // the folder field is shown: Enter does not confirm here
  EXPECT_EQ(d.ModalResult(), TFormaEdicao::mrNone);
  d.c_dadochave2Enter();
  EXPECT_TRUE(d.c_dadochave2.droppedDown);
  d.c_dadochave2KeyDown(true);
  EXPECT_EQ(ui.MessageTexts(), Lines{Ansi("Erro dados não preenchidos")});
  d.c_dadochave2.SetText("\\");
  d.FormActivate();  // activated again after the message box: the fields stay
  EXPECT_EQ(d.C_dadochave1.Text(), "C:\\A.EXE");
  d.c_dadochave2KeyDown(true);
  EXPECT_EQ(d.ModalResult(), TFormaEdicao::mrOk);
}

}  // namespace
}  // namespace lifto::test
