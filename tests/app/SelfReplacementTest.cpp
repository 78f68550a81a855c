#include <gtest/gtest.h>

#include <filesystem>

#include "FormTestHelpers.h"
#include "app/SelfReplacement.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/SystemFolders.h"
#include "support/Application.h"
#include "support/TempFolder.h"

namespace lifto::test {
namespace {

namespace fs = std::filesystem;

// The running program's file name, which "/C" accepts as the tool's.
std::string OwnName() { return fs::path(platform::ToUtf8(platform::OwnExecutablePath())).filename().string(); }

TEST(SelfReplacement, FinishCopiesTheToolOverTheOldExecutableByRename) {
  FormHarness h;
  const std::string own = OwnName();
  const fs::path old = h.home.Write("F:\\KORAMI\\" + own, "#!/bin/sh\nOLD");
  // A second name of the old file: a program still running from it keeps its image.
  const fs::path running = old.parent_path() / "running";
  fs::create_hard_link(old, running);

  h.Create({"/c", "/F:\\KORAMI\\" + own});
  h.ShowActivatePaint();

  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].kind, 2);
  EXPECT_EQ(h.ui.messages[0].text, Ansi("Atualização do sistema realizada com Sucesso!"));
  const auto ownFile = platform::ToHostPath(platform::OwnExecutablePath());
  ASSERT_TRUE(ownFile);
  EXPECT_EQ(ReadFileBytes(old), ReadFileBytes(*ownFile));
  EXPECT_EQ(ReadFileBytes(running), "#!/bin/sh\nOLD");
  EXPECT_FALSE(fs::exists(old.parent_path() / ("~" + own + ".novo")));
  EXPECT_TRUE(support::App().Terminated());
  EXPECT_EQ(support::App().ExitCode(), 0);
  EXPECT_TRUE(h.waits.empty());
}

TEST(SelfReplacement, OnlyTheToolsOwnProgramIsReplaced) {
  // A path cut at a blank ("/C /F:\\my tools\\...") named the person's file "F:\\my"; neither it
  // nor a document under the tool's name is overwritten.
  const std::string own = OwnName();
  for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
           {"my", "#!/bin/sh\nperson's script"}, {own, "person's document"}}) {
    FormHarness h;
    const fs::path file = h.home.Write("F:\\" + name, content);
    h.Create({"/C", "/F:\\" + name});
    h.ShowActivatePaint();
    EXPECT_EQ(ReadFileBytes(file), content) << name;
    EXPECT_EQ(support::App().ExitCode(), 1) << name;
  }
}

TEST(SelfReplacement, AFailedCopyIsNotReportedButFailsTheRun) {
  FormHarness h;
  h.Create({"/C", "/F:\\NAO\\EXISTE\\atualizar.exe"});
  h.ShowActivatePaint();
  EXPECT_EQ(h.ui.messages.size(), 1u);  // only the success message of the finished update
  EXPECT_TRUE(support::App().Terminated());
  EXPECT_EQ(support::App().ExitCode(), 1);
}

TEST(SelfReplacement, AReadOnlyTargetIsNotReplaced) {
  SandboxHome home({{"F", "srv"}});
  const fs::path source = home.Write("F:\\novo", "NEW");
  const fs::path target = home.Write("F:\\velho", "OLD");
  fs::permissions(target, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(app::ReplaceByCopy("F:\\novo", "F:\\velho"));
  EXPECT_EQ(ReadFileBytes(target), "OLD");
  EXPECT_TRUE(app::ReplaceByCopy("F:\\novo", "F:\\outro"));
  EXPECT_EQ(ReadFileBytes(home.HostPath("F:\\outro")), "NEW");
  EXPECT_EQ(ReadFileBytes(source), "NEW");
}

}  // namespace
}  // namespace lifto::test
