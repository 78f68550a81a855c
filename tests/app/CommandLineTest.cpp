#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/FormaLifto.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "support/SandboxHome.h"

namespace lifto::test {
namespace {

using app::CommandLine;
using app::RunMode;

TEST(CommandLine, SwitchesCompareInUpperCaseAndExactly) {
  const CommandLine r({"/r", "/korami.exe"});
  EXPECT_EQ(r.Mode(), RunMode::AutoUpdate);
  EXPECT_EQ(r.ProgramNameShown(), "KORAMI");
  EXPECT_EQ(r.ProgramNameLookup(), "korami.exe");
  EXPECT_EQ(CommandLine({"/l", "/X"}).Mode(), RunMode::AutoUpdateLog);
  EXPECT_EQ(CommandLine({"/i"}).Mode(), RunMode::DownloadNewest);
  EXPECT_EQ(CommandLine({"/D"}).Mode(), RunMode::DownloadOffice);
  EXPECT_EQ(CommandLine({"/e"}).Mode(), RunMode::Edit);
  EXPECT_EQ(CommandLine({"/c", "/x"}).Mode(), RunMode::SelfReplacement);
  EXPECT_EQ(CommandLine().Mode(), RunMode::Interactive);
  EXPECT_EQ(CommandLine({""}).Mode(), RunMode::Interactive);
  EXPECT_EQ(CommandLine({"/Rx"}).Mode(), RunMode::ScriptPath);
  EXPECT_EQ(CommandLine({"/R "}).Mode(), RunMode::ScriptPath);
}

TEST(CommandLine, ProgramNameDropsEveryExeAndSlash) {
  EXPECT_EQ(CommandLine({"/I", "/a/b.exe.EXE"}).ProgramNameShown(), "AB");
  EXPECT_EQ(CommandLine({"/I", "/a/b.exe"}).ProgramNameLookup(), "ab.exe");
  EXPECT_EQ(CommandLine({"/I"}).ProgramNameShown(), "");
}

TEST(CommandLine, ScriptPathLosesOneLeadingSlash) {
  EXPECT_EQ(CommandLine({"/C:\\UPD\\X.aex"}).ScriptArgument(), "C:\\UPD\\X.aex");
  EXPECT_EQ(CommandLine({"C:\\UPD\\X.aex"}).ScriptArgument(), "C:\\UPD\\X.aex");
  EXPECT_EQ(CommandLine({"//X.aex"}).ScriptArgument(), "/X.aex");
}

TEST(CommandLine, NotificationHandleFollowsNvAndOneSeparator) {
  EXPECT_EQ(CommandLine({"X.aex", "/NV:1234"}).NotificationHandleText(), "1234");
  EXPECT_EQ(CommandLine({"X.aex", "/NV=77"}).NotificationHandleText(), "77");
  EXPECT_EQ(CommandLine({"X.aex", "/NV"}).NotificationHandleText(), "");
  EXPECT_FALSE(CommandLine({"X.aex", "/nv:1"}).NotificationHandleText());
  EXPECT_FALSE(CommandLine({"X.aex"}).NotificationHandleText());
}

TEST(CommandLine, HostArgumentsAreTakenInTheirWindowsForm) {
  SandboxHome home({{"F", "srv"}});
  const auto script = home.Write(Ansi("F:\\UPD\\Atualização.aex"), "x");
  const std::string hostUtf8 = script.string();
  const char* argv[] = {"atualizar", hostUtf8.c_str(), "/NV:12", "/r", "/KORAMI.EXE", "ação"};
  const auto args = app::ArgumentsFromHost(6, argv);
  ASSERT_EQ(args.size(), 5u);
  EXPECT_EQ(args[0], platform::ToWindowsPath(script));
  EXPECT_EQ(args[0].substr(0, 2), "F:");
  EXPECT_EQ(args[1], "/NV:12");
  EXPECT_EQ(args[2], "/r");
  EXPECT_EQ(args[3], "/KORAMI.EXE");
  EXPECT_EQ(args[4], Ansi("ação"));
}

TEST(CommandLine, CaptionVersionIsThePartBeforeTheSecondDot) {
  EXPECT_EQ(app::FileVersionKind0("8.2.0.0"), "8.2");
  EXPECT_EQ(app::FileVersionKind0("1.0.0.12"), "1.0");
  EXPECT_EQ(app::FileVersionKind0("8.2"), "8.2");
  EXPECT_EQ(app::FileVersionKind0("8"), "8");
  EXPECT_EQ(app::FileVersionKind0(""), "");
}

}  // namespace
}  // namespace lifto::test
