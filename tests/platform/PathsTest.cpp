#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/Environment.h"
#include "support/SandboxHome.h"

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;
using test::SandboxHome;

// Runs a block with another current directory.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const fs::path& dir) : old_(fs::current_path()) { fs::current_path(dir); }
  ~ScopedCurrentDirectory() { fs::current_path(old_); }

 private:
  fs::path old_;
};

TEST(Paths, ComponentsMatchWithoutRegardToCaseAndEitherSeparator) {
  SandboxHome home({{"F", "srv"}});
  const auto srv = home.Home() / "srv";
  fs::create_directories(srv / "Korami" / "Dados");
  home.Write("F:\\Korami\\Dados\\novo.DB", "");
  EXPECT_EQ(ToHostPath("f:\\KORAMI\\dados\\NOVO.db"), srv / "Korami" / "Dados" / "novo.DB");
  EXPECT_EQ(ToHostPath("F:/korami\\DADOS/novo.db"), srv / "Korami" / "Dados" / "novo.DB");
  EXPECT_EQ(ToHostPath("F:\\\\KORAMI\\\\"), srv / "Korami");
  EXPECT_EQ(ToHostPath("F:"), srv);
  EXPECT_EQ(ToHostPath("F:\\"), srv);
  EXPECT_EQ(ToHostPath("F:korami"), srv / "Korami");
}

TEST(Paths, AccentedNamesMatchThroughTheCodePage) {
  SandboxHome home({{"F", "srv"}});
  fs::create_directories(home.Home() / "srv" / "Atualização");
  EXPECT_EQ(ToHostPath("F:\\ATUALIZA\xC7\xC3O"), home.Home() / "srv" / "Atualização");
  EXPECT_EQ(ToWindowsPath(home.Home() / "srv" / "Atualização"), "F:\\Atualiza\xE7\xE3o");
}

TEST(Paths, ExactMatchWinsThenUpperThenLowerCaseThenTheFirstInSortedOrder) {
  SandboxHome home({{"F", "srv"}});
  for (const char* name : {"abc", "Abc", "ABC", "xY", "Xy", "xy", "mN", "Mn"}) {
    fs::create_directories(home.Home() / "srv" / name);
  }
  EXPECT_EQ(ToHostPath("F:\\Abc"), home.Home() / "srv" / "Abc");
  EXPECT_EQ(ToHostPath("F:\\abc"), home.Home() / "srv" / "abc");
  EXPECT_EQ(ToHostPath("F:\\aBC"), home.Home() / "srv" / "ABC");
  EXPECT_EQ(ToHostPath("F:\\XY"), home.Home() / "srv" / "xy");  // before "Xy", which sorts first
  EXPECT_EQ(ToHostPath("F:\\mn"), home.Home() / "srv" / "Mn");
}

TEST(Paths, MissingPartsKeepTheCaseGiven) {
  SandboxHome home({{"F", "srv"}});
  fs::create_directories(home.Home() / "srv" / "Korami");
  EXPECT_EQ(ToHostPath("F:\\KORAMI\\Nova\\Pasta\\X.TXT"), home.Home() / "srv" / "Korami" / "Nova" / "Pasta" / "X.TXT");
  // Under a missing part nothing is looked up, even a name that happens to exist elsewhere.
  EXPECT_EQ(ToHostPath("F:\\NADA\\KORAMI"), home.Home() / "srv" / "NADA" / "KORAMI");
}

TEST(Paths, DotsStayInsideTheDrive) {
  SandboxHome home({{"F", "srv"}});
  fs::create_directories(home.Home() / "srv" / "A" / "B");
  EXPECT_EQ(ToHostPath("F:\\a\\.\\b\\..\\..\\..\\a"), home.Home() / "srv" / "A");
  EXPECT_EQ(ToHostPath("F:\\..\\.."), home.Home() / "srv");
  EXPECT_EQ(ToHostPath("F:\\X\\..\\A"), home.Home() / "srv" / "A");
}

TEST(Paths, UnmappedDrivesHaveNoHostPath) {
  SandboxHome home({{"Z", ""}});
  EXPECT_FALSE(ToHostPath("Q:\\X").has_value());
  EXPECT_FALSE(ToHostPath("Z:\\etc").has_value());
  EXPECT_FALSE(ToHostPath("\\\\OUTRO\\DADOS\\X").has_value());
  EXPECT_FALSE(ToHostPath(std::string_view("C:\\A\0B", 6)).has_value());
}

TEST(Paths, UncPathsUseTheLongestMatchingPrefix) {
  SandboxHome home({{"\\\\SERVIDOR\\DADOS", "dados"}, {"\\\\SERVIDOR", "servidor"}});
  fs::create_directories(home.Home() / "dados" / "Korami");
  EXPECT_EQ(ToHostPath("\\\\servidor\\dados\\KORAMI\\x.db"), home.Home() / "dados" / "Korami" / "x.db");
  EXPECT_EQ(ToHostPath("//Servidor/Dados"), home.Home() / "dados");
  EXPECT_EQ(ToHostPath("\\\\SERVIDOR\\OUTRA"), home.Home() / "servidor" / "OUTRA");
  EXPECT_EQ(ToWindowsPath(home.Home() / "dados" / "Korami"), "\\\\SERVIDOR\\DADOS\\Korami");
  EXPECT_EQ(ToWindowsPath(home.Home() / "dados"), "\\\\SERVIDOR\\DADOS");
}

TEST(Paths, HostPathsShowThroughTheLongestMapping) {
  SandboxHome home({{"F", "srv"}, {"G", "srv/dados"}});
  EXPECT_EQ(ToWindowsPath(home.Home() / "srv" / "x" / "y.txt"), "F:\\x\\y.txt");
  EXPECT_EQ(ToWindowsPath(home.Home() / "srv" / "dados" / "y.txt"), "G:\\y.txt");
  EXPECT_EQ(ToWindowsPath(home.Home() / "srv" / "dados/"), "G:\\");
  EXPECT_EQ(ToWindowsPath(home.Home() / "srv" / "dadosx"), "F:\\dadosx");
  EXPECT_EQ(ToWindowsPath("/etc/hosts"), "Z:\\etc\\hosts");
  EXPECT_EQ(ToWindowsPath("/"), "Z:\\");
  EXPECT_EQ(ToWindowsPath(home.Home() / "drive_c" / "WINDOWS"), "C:\\WINDOWS");
  // And back.
  EXPECT_EQ(ToHostPath(ToWindowsPath(home.Home() / "srv" / "dados")), home.Home() / "srv" / "dados");
}

TEST(Paths, HostAndRelativePaths) {
  SandboxHome home({{"F", "srv"}});
  fs::create_directories(home.Home() / "srv" / "Sub" / "Deep");
  EXPECT_EQ(ToHostPath("/srv/../etc/x"), fs::path("/etc/x"));  // taken as it is, without case lookup
  ScopedCurrentDirectory cwd(home.Home() / "srv" / "Sub");
  EXPECT_EQ(ToHostPath("deep\\x.txt"), home.Home() / "srv" / "Sub" / "Deep" / "x.txt");
  EXPECT_EQ(ToHostPath("..\\sub"), home.Home() / "srv" / "Sub");
  EXPECT_EQ(ToHostPath("\\SUB"), home.Home() / "srv" / "Sub");  // the current drive's root
  EXPECT_EQ(ToWindowsPath("Deep"), "F:\\Sub\\Deep");
}

TEST(Paths, AbsoluteFormsAndDriveLetters) {
  EXPECT_TRUE(IsAbsoluteWindowsPath("c:\\x"));
  EXPECT_TRUE(IsAbsoluteWindowsPath("\\\\SERVIDOR\\X"));
  EXPECT_TRUE(IsAbsoluteWindowsPath("/srv"));
  EXPECT_FALSE(IsAbsoluteWindowsPath("x\\y"));
  EXPECT_FALSE(IsAbsoluteWindowsPath(""));
  EXPECT_EQ(DriveLetterOf("f:\\x"), 'F');
  EXPECT_EQ(DriveLetterOf("\\\\S\\X"), '\0');
  EXPECT_EQ(DriveLetterOf("\xE7:"), '\0');
}

}  // namespace
}  // namespace lifto::platform
