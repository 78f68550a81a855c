#include "app/FormaVersoes.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/Codepage.h"
#include "support/FakeUi.h"
#include "support/SandboxHome.h"
#include "support/ScopedVariable.h"

namespace lifto::test {
namespace {

using app::TFormaversoes;

// The version list against a scripted server: what the window asked for is recorded.
class FormaVersoesTest : public ::testing::Test {
 protected:
  FormaVersoesTest() {
    std::filesystem::create_directories(home.Home() / "temp");
    std::filesystem::permissions(home.Home() / "temp", std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    form.UseServer({
        [this] {
          calls.push_back("connect");
          return connects;
        },
        [this] { calls.push_back("disconnect"); },
        [this](const std::string& folder) {
          calls.push_back("cd " + folder);
          return folderThere;
        },
        [this](const std::string& remote, const std::string& local) {
          calls.push_back("get " + remote);
          if (!descriptions) return false;
          home.Write(local, *descriptions);
          return true;
        },
        [this](const std::string&) { return std::optional<std::vector<std::string>>(listing); },
        [](int) {},
        [this](const std::string& file) { return installed.count(file) != 0; },
    });
  }

  SandboxHome home;
  ScopedVariable temp{"TEMP", (home.Home() / "temp").c_str()};
  FakeUi ui;
  FakeUi::Scope scope{ui};
  TFormaversoes form;
  std::set<std::string> installed{"KORAMI.EXE"};
  bool connects = true;
  bool folderThere = true;
  std::optional<std::string> descriptions = std::string("korami65.aex;Vers\xe3o 6.5;x\r\n");
  std::vector<std::string> listing{"descricao.txt", "KORAMI65.AEX", "KORAMI65.ATU", "versao.txt",
                                   "K66.aex"};
  std::vector<std::string> calls;
};

TEST(VersionRows, KeepsScriptsWithTheirDescriptions) {
  const auto rows = app::VersionRows({"descricao.txt", "versao.txt", "A.AEX", "A.ATU", "b.aexz", "DESCRICAO.TXT"},
                                     {"a.aex ; Primeira ; x", "B.AEXZ ; Segunda"});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "A.AEX");
  EXPECT_EQ(rows[0][1], "Primeira");
  EXPECT_EQ(rows[1][0], "b.aexz");  // ".AEX" anywhere in the name counts
  EXPECT_EQ(rows[1][1], "Segunda");
}

TEST_F(FormaVersoesTest, ProgramListByWhatIsInstalled) {
  struct Case {
    std::set<std::string> installed;
    std::vector<std::string> items;
    bool timer;
  };
  const std::vector<Case> cases = {
      {{}, {}, false},
      {{"MORBA.EXE"}, {"TRELO-A System"}, true},
      {{"KORAMI.EXE", "SELDOR.EXE"}, {"TRELO-B System", "Seldor System"}, false},
  };
  for (const auto& c : cases) {
    installed = c.installed;
    form.FormShow();
    EXPECT_EQ(form.C_listaprog.items, c.items);
    EXPECT_EQ(form.Timer1.enabled, c.timer);
    EXPECT_EQ(form.C_listaprog.visible, !c.timer);
    EXPECT_FALSE(form.C_listaversoes.visible);
    EXPECT_EQ(form.C_listaprog.columns, 1);
    EXPECT_EQ(form.C_grade.rows.size(), 2u);
  }
  // With nothing to choose, "&Atualizar" asks for a program.
  installed.clear();
  form.FormShow();
  form.bot_downloadClick();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Selecione um Programa para Download");
  EXPECT_EQ(ui.messages[0].kind, 4);
  EXPECT_TRUE(calls.empty());
}

TEST_F(FormaVersoesTest, OneProgramGoesToTheGridByItselfAndOkClosesWithTheChosenRow) {
  ui.dialogAnswers.push_back({{{TFormaversoes::kVersao, "korami65.aex"}}, true});
  EXPECT_TRUE(form.ShowModal());
  EXPECT_EQ(form.Program(), "TRELO-B System");
  EXPECT_EQ(form.Version(), "KORAMI65.AEX");
  ASSERT_EQ(form.C_grade.rows.size(), 3u);
  EXPECT_EQ(form.C_grade.rows[1][1], Ansi("Versão 6.5"));
  EXPECT_EQ(form.C_grade.rows[2][1], "");
  ASSERT_EQ(ui.shownDialogs.size(), 1u);
  EXPECT_EQ(ui.shownDialogs[0].Field(TFormaversoes::kVersoes),
            Ansi("KORAMI65.AEX - Versão 6.5; K66.aex"));
  EXPECT_EQ(ui.shownDialogs[0].Field(TFormaversoes::kVersao), "K66.aex");  // the last row
  EXPECT_EQ(calls, (std::vector<std::string>{"connect", "cd /home/vornel/updates/KORAMI",
                                             "get /home/vornel/updates/KORAMI/descricao.txt"}));
}

TEST_F(FormaVersoesTest, FailuresGoBackToTheProgramList) {
  struct Case {
    std::string name;
    bool connects, folderThere, descriptionsThere;
    std::string message;
    bool disconnects;
  };
  const std::vector<Case> cases = {
      {"no connection", false, true, true, "Erro ao se conectar ao servidor, Tente mais tarde", false},
      {"no folder", true, false, true, Ansi("Erro Diretório não existe: /home/vornel/updates/KORAMI"), true},
      {"no descricao.txt", true, true, false, Ansi("Erro Diretório não existe: /home/vornel/updates/KORAMI"), true},
  };
  for (const auto& c : cases) {
    installed = {"KORAMI.EXE", "PAVRO.EXE"};
    connects = c.connects;
    folderThere = c.folderThere;
    if (!c.descriptionsThere) descriptions.reset();
    calls.clear();
    ui.messages.clear();
    form.FormShow();
    form.bot_downloadClick();
    EXPECT_TRUE(form.C_listaprog.visible) << c.name;
    EXPECT_FALSE(form.C_listaversoes.visible) << c.name;
    ASSERT_EQ(ui.messages.size(), 1u) << c.name;
    EXPECT_EQ(ui.messages[0].text, c.message) << c.name;
    EXPECT_EQ(calls.back() == "disconnect", c.disconnects) << c.name;
  }
}

}  // namespace
}  // namespace lifto::test
