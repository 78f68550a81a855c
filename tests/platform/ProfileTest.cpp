#include "platform/Profile.h"

#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/SandboxHome.h"
#include "support/SecondUser.h"
#include "support/TempFolder.h"

namespace lifto::platform {
namespace {

using Names = std::vector<std::string>;

TEST(Profile, NamesCompareWithoutCaseAndBlanksAreDropped) {
  const ProfileFile profile = ProfileFile::Parse(
      "orphan=before any section\r\n"
      "  [ Ponto ]  trailing text\r\n"
      "\tP_ARQ1 \t=  C:\\A.EXE , \\ \t\r\n"
      "; P_ARQ2=commented out\n"
      "   ;also a comment\r"
      "Ch\xC2ve=acentos\n"
      "=no name\n"
      "SOLTA\n"
      "Q1=\"quoted\"\n"
      "Q2='x\"\n"
      "Q3=x ; not a comment\n");
  EXPECT_EQ(profile.KeyNames("PONTO", 1000).names,
            (Names{"P_ARQ1", "Ch\xC2ve", "SOLTA", "Q1", "Q2", "Q3"}));
  EXPECT_EQ(profile.String("ponto", "p_arq1", "", 100), "C:\\A.EXE , \\");
  EXPECT_EQ(profile.String("PONTO", "CH\xE2VE", "", 100), "acentos");
  EXPECT_EQ(profile.String("PONTO", "SOLTA", "def", 100), "");
  EXPECT_EQ(profile.String("PONTO", "Q1", "", 100), "quoted");
  EXPECT_EQ(profile.String("PONTO", "Q2", "", 100), "'x\"");
  EXPECT_EQ(profile.String("PONTO", "Q3", "", 100), "x ; not a comment");
  EXPECT_EQ(profile.String("PONTO", "orphan", "def  ", 100), "def");
  EXPECT_EQ(profile.String("NADA", "P_ARQ1", "", 100), "");
  EXPECT_TRUE(profile.KeyNames("NADA", 1000).names.empty());
}

TEST(Profile, FirstOfEqualKeysAndSectionsWins) {
  const ProfileFile profile = ProfileFile::Parse(
      "[PONTO]\nK=first\nk=second\n[OUTRA]\nK=x\n[ponto]\nK=third\nL=late\n");
  EXPECT_EQ(profile.KeyNames("PONTO", 100).names, (Names{"K", "k"}));
  EXPECT_EQ(profile.String("PONTO", "k", "", 100), "first");
  EXPECT_EQ(profile.String("PONTO", "L", "none", 100), "none");
}

TEST(Profile, BuffersCutNamesAndValuesWithoutError) {
  const ProfileFile profile = ProfileFile::Parse("[S]\nAB=1\nCD=2\nEF=0123456789\n");
  // "AB\0CD\0EF\0" and the closing zero: 10 characters fit exactly.
  const ProfileKeyNames all = profile.KeyNames("S", 10);
  EXPECT_EQ(all.names, (Names{"AB", "CD", "EF"}));
  EXPECT_FALSE(all.truncated);

  const ProfileKeyNames cut = profile.KeyNames("S", 9);  // "AB\0CD\0E" then two zeros
  EXPECT_EQ(cut.names, (Names{"AB", "CD", "E"}));
  EXPECT_TRUE(cut.truncated);
  EXPECT_TRUE(cut.lastCut);

  const ProfileKeyNames boundary = profile.KeyNames("S", 7);  // "AB\0CD" then two zeros
  EXPECT_EQ(boundary.names, (Names{"AB", "CD"}));
  EXPECT_TRUE(boundary.truncated);
  EXPECT_FALSE(boundary.lastCut);

  EXPECT_EQ(profile.KeyNames("S", 8).names, (Names{"AB", "CD"}));  // "AB\0CD\0" and two zeros
  EXPECT_TRUE(profile.KeyNames("S", 2).names.empty());
  EXPECT_TRUE(profile.KeyNames("S", 0).truncated);

  EXPECT_EQ(profile.String("S", "EF", "", 11), "0123456789");
  EXPECT_EQ(profile.String("S", "EF", "", 5), "0123");
  EXPECT_EQ(profile.String("S", "EF", "", 1), "");
  EXPECT_EQ(profile.String("S", "EF", "", 0), "");
}

class ProfileFiles : public ::testing::Test {
 protected:
  std::filesystem::path Drive(const std::string& relative) const {
    return home_.Home() / "drive_c" / relative;
  }

  test::SandboxHome home_;
};

TEST_F(ProfileFiles, LoadsByWindowsPathAndMissingFilesReadEmpty) {
  home_.Write("C:\\Upd\\X.aex", "[PONTO]\r\nA=1\r\n");
  EXPECT_EQ(ProfileFile::Load("c:\\UPD\\x.AEX").String("PONTO", "A", "", 10), "1");
  EXPECT_TRUE(ProfileFile::Load("C:\\UPD\\FALTA.aex").KeyNames("PONTO", 100).names.empty());
  EXPECT_TRUE(ProfileFile::Load("Q:\\X.aex").KeyNames("PONTO", 100).names.empty());
  EXPECT_TRUE(ProfileFile::Load("C:\\UPD").KeyNames("PONTO", 100).names.empty());
}

TEST_F(ProfileFiles, ReplaceTextFileIsAllOrNothing) {
  ReplaceTextFile("C:\\A.TXT", "one");
  EXPECT_EQ(test::ReadFileBytes(Drive("A.TXT")), "one");
  ReplaceTextFile("C:\\A.TXT", "two");
  EXPECT_EQ(ReadTextFile("c:\\a.txt"), "two");

  // Through a link, the linked file is written and the link stays.
  std::filesystem::create_symlink(Drive("A.TXT"), Drive("LINK.TXT"));
  ReplaceTextFile("C:\\LINK.TXT", "three");
  EXPECT_TRUE(std::filesystem::is_symlink(Drive("LINK.TXT")));
  EXPECT_EQ(test::ReadFileBytes(Drive("A.TXT")), "three");

  std::filesystem::create_directories(Drive("DIR"));
  EXPECT_THROW(ReplaceTextFile("C:\\DIR", "x"), std::runtime_error);
  EXPECT_THROW(ReplaceTextFile("C:\\NO\\A.TXT", "x"), std::runtime_error);
  EXPECT_THROW(ReadTextFile("C:\\DIR"), std::runtime_error);
  for (const auto& entry : std::filesystem::directory_iterator(Drive(""))) {
    EXPECT_EQ(entry.path().filename().string().find('~'), std::string::npos)
        << "a temporary file was left behind";
  }
}

TEST_F(ProfileFiles, ReplaceTextFileReplacesALinkOfAnotherUserItself) {
  if (!test::CanActAsSecondUser()) GTEST_SKIP() << test::kNeedsRoot;
  const auto victim = home_.Write("C:\\PRIVATE\\notes.txt", "victim's notes");
  std::filesystem::create_directories(Drive("SHARE"));
  test::MakeShared(Drive("SHARE"));
  const std::string planted = Drive("SHARE/X.aex").string();
  ASSERT_TRUE(test::AsSecondUser([&] { return ::symlink(victim.c_str(), planted.c_str()) == 0; }));

  ReplaceTextFile("C:\\SHARE\\X.aex", "[PONTO]");

  EXPECT_FALSE(std::filesystem::is_symlink(planted));
  EXPECT_EQ(test::ReadFileBytes(planted), "[PONTO]");
  EXPECT_EQ(test::ReadFileBytes(victim), "victim's notes");
}

}  // namespace
}  // namespace lifto::platform
