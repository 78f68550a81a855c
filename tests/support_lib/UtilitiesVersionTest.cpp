#include <gtest/gtest.h>

#include "support/Application.h"
#include "support/FakeUi.h"
#include "support/PeBuilder.h"
#include "support/SandboxHome.h"
#include "support/Utilities.h"

namespace lifto::support {
namespace {

class FileVersionTextTest : public ::testing::Test {
 protected:
  // Writes C:\V.EXE with these strings under the language block.
  std::string Exe(const std::map<std::string, std::string>& strings, const std::string& block = "041604E4") {
    test::WritePeWithVersion(sandbox_.Home() / "drive_c" / "V.EXE", strings, block);
    return "C:\\V.EXE";
  }
  test::SandboxHome sandbox_;
  test::FakeUi ui_;
  test::FakeUi::Scope scope_{ui_};
};

TEST_F(FileVersionTextTest, ShapesTheVersionNumbersByKind) {
  const auto exe = Exe({{"FileVersion", "1.0.0.12"}, {"ProductVersion", "8.2.3.4"}, {"CompanyName", "Vornel"},
                        {"ProductName", "Korami"}, {"LegalCopyright", "(c)"}, {"OriginalFilename", "KORAMI.EXE"},
                        {"InternalName", "korami"}, {"FileDescription", "Sistema"}});
  EXPECT_EQ(FileVersionText(exe, 0), "1.0");
  EXPECT_EQ(FileVersionText(exe, 1), "0.12");
  EXPECT_EQ(FileVersionText(exe, 2), "8.2");
  EXPECT_EQ(FileVersionText(exe, 3), "3.4");
  const std::vector<std::string> whole = {"Vornel", "Korami", "(c)", "KORAMI.EXE", "korami", "Sistema"};
  for (int kind = 4; kind <= 9; ++kind) EXPECT_EQ(FileVersionText(exe, kind), whole[kind - 4u]) << kind;
  EXPECT_EQ(FileVersionText(exe, 10), "");
  EXPECT_EQ(FileVersionText(exe, -1), "");
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(FileVersionTextTest, ShortVersionsAndTheCopyCharsMessage) {
  auto exe = Exe({{"FileVersion", "1.2"}});
  EXPECT_EQ(FileVersionText(exe, 0), "1.2");
  EXPECT_EQ(FileVersionText(exe, 1), "");
  EXPECT_TRUE(ui_.messages.empty());
  exe = Exe({{"FileVersion", "7"}});
  EXPECT_EQ(FileVersionText(exe, 1), "");
  // Ending right after the first dot, the first copying step has nothing to copy.
  exe = Exe({{"FileVersion", "1."}});
  EXPECT_EQ(FileVersionText(exe, 1), "");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].kind, 0);
  EXPECT_EQ(ui_.messages[0].text, "Contador tem que ser > 1 e o indice > 0 ");
}

TEST_F(FileVersionTextTest, EmptyWithoutTheLanguageBlockOrVersionInformation) {
  EXPECT_EQ(FileVersionText(Exe({{"FileVersion", "1.0.0.12"}}, "040904E4"), 0), "");
  sandbox_.Write("C:\\PLAIN.EXE", "MZ not really");
  EXPECT_EQ(FileVersionText("C:\\PLAIN.EXE", 0), "");
  EXPECT_EQ(FileVersionText("C:\\MISSING.EXE", 4), "");
}

}  // namespace
}  // namespace lifto::support
