// bot_confinetClick with the real helper listing the site's dial-up entries.
#include "app/FormaConexao.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "FormTestHelpers.h"
#include "app/Dialogs.h"
#include "net/HelperMessages.h"
#include "net/InternetSettings.h"
#include "platform/Codepage.h"
#include "platform/WindowMessages.h"
#include "support/ScopedVariable.h"

namespace lifto::app {
namespace {

namespace fs = std::filesystem;
using Fields = std::vector<std::pair<std::string, std::string>>;

class ConfigureInternetTest : public ::testing::Test {
 protected:
  ConfigureInternetTest() {
    fs::create_directories(temp);
    ::chmod(temp.c_str(), 0700);
    const auto system = harness.home.HostPath("C:\\WINDOWS\\System");
    fs::create_directories(system);
    fs::create_symlink(fs::path(LIFTO_BINARY_DIR) / "vornet", system / "Vornet.exe");
    harness.home.SetIniValue("Dialup", "Provedor", "true");
    harness.home.SetIniValue("Dialup", Ansi("Escritório"), "true");
  }

  test::FormHarness harness;
  TFormaLifto& form = harness.Create({});
  const fs::path temp = harness.home.Home() / "temp";
  test::ScopedVariable tempVariable{"TEMP", temp.c_str()};
  test::ScopedVariable runtimeVariable{"XDG_RUNTIME_DIR", nullptr};
};

TEST_F(ConfigureInternetTest, ShowsTheHelpersEntriesAndStoresTheChoiceOnOk) {
  net::WriteInternetSettings({Ansi("ESCRITÓRIO"), true});
  harness.ui.dialogAnswers.push_back({Fields{{conexao::kConexoes, "provedor"}, {conexao::kDiscagem, "sim"}}, true});
  form.bot_confinetClick();

  ASSERT_EQ(harness.ui.dialogs.size(), 1u);
  const auto& shown = harness.ui.dialogs[0];
  EXPECT_EQ(shown.name, TFormaConexao::kName);
  EXPECT_EQ(conexao::Items(shown), (std::vector<std::string>{"Provedor", Ansi("Escritório")}));
  EXPECT_FALSE(platform::FindWindow(net::kHelperClass)) << "the helper is closed before the dialog";
  EXPECT_EQ(form.DialupName, "Provedor");
  EXPECT_FALSE(form.AutoDial);
  const auto stored = net::ReadInternetSettings();
  EXPECT_EQ(stored.dialupName, "Provedor");
  EXPECT_FALSE(stored.autoDial);
}

TEST_F(ConfigureInternetTest, OkWithoutAConnectionAsksForOneAndCancelLeavesTheRegistry) {
  net::WriteInternetSettings({"Antigo", false});  // no longer listed: nothing is selected
  harness.ui.dialogAnswers.push_back({Fields{}, true});
  harness.ui.dialogAnswers.push_back({Fields{{conexao::kDiscagem, "nao"}}, false});
  form.bot_confinetClick();

  ASSERT_EQ(harness.ui.dialogs.size(), 2u);
  EXPECT_EQ(harness.ui.dialogs[0].Field(conexao::kConexoes), "");
  EXPECT_EQ(harness.ui.dialogs[0].Field(conexao::kDiscagem), "sim");
  EXPECT_EQ(harness.ui.MessageTexts(), std::vector<std::string>{Ansi("Erro: Selecione uma conexão dial-up")});
  const auto stored = net::ReadInternetSettings();
  EXPECT_EQ(stored.dialupName, "Antigo");
  EXPECT_FALSE(stored.autoDial);
  EXPECT_EQ(form.DialupName, "Antigo");
}

TEST_F(ConfigureInternetTest, NoDialogWhenTheHelperCannotStart) {
  fs::remove(harness.home.HostPath("C:\\WINDOWS\\System\\Vornet.exe"));
  form.bot_confinetClick();
  EXPECT_TRUE(harness.ui.dialogs.empty());
  EXPECT_EQ(harness.ui.MessageTexts(),
            std::vector<std::string>{Ansi("Erro: o módulo C:\\WINDOWS\\System\\Vornet.exe não foi carregado")});
}

}  // namespace
}  // namespace lifto::app
