#include "platform/FolderNames.h"

#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "support/SandboxHome.h"

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;
using test::SandboxHome;

TEST(FolderNames, ChoosesAsToHostPathDoesWithOneListing) {
  SandboxHome home({{"F", "srv"}});
  for (const char* name : {"abc", "Abc", "xY", "Xy", "xy", "mN", "Mn", "p0001.bin"}) {
    home.Write(std::string("F:\\KORAMI\\") + name, name);
  }
  FolderNames names;
  for (const char* asked : {"F:\\KORAMI\\ABC", "F:\\KORAMI\\aBc", "F:\\korami\\XY", "F:\\KORAMI\\mn",
                            "F:\\KORAMI\\P0001.BIN", "F:\\KORAMI\\NOVO.TXT"}) {
    EXPECT_EQ(names.HostPathOf(asked), ToHostPath(asked)) << asked;
  }
  EXPECT_EQ(names.HostPathOf("F:\\KORAMI\\P0001.BIN"), home.Home() / "srv" / "KORAMI" / "p0001.bin");
}

TEST(FolderNames, ANewNameKeepsTheFirstSpellingAndHostPathsStayAsGiven) {
  SandboxHome home({{"F", "srv"}});
  fs::create_directories(home.Home() / "srv" / "UPD");
  FolderNames names;
  const auto first = names.HostPathOf("F:\\UPD\\Novo.TXT");
  EXPECT_EQ(first, home.Home() / "srv" / "UPD" / "Novo.TXT");
  // The caller writes it; another spelling of the name is the same file.
  EXPECT_EQ(names.HostPathOf("F:\\upd\\NOVO.txt"), first);
  EXPECT_EQ(names.HostPathOf("/srv/upd/X.TXT"), fs::path("/srv/upd/X.TXT"));
  EXPECT_EQ(names.HostPathOf("Q:\\NADA\\X.TXT"), std::nullopt);
}

}  // namespace
}  // namespace lifto::platform
