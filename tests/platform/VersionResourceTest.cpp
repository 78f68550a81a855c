#include "platform/VersionResource.h"

#include <random>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/PeBuilder.h"
#include "support/TempFolder.h"

namespace lifto::platform {
namespace {

using test::BuildPe;
using test::BuildPeWithVersion;
using test::PeOptions;
using test::TempFolder;

const std::map<std::string, std::string> kStrings = {
    {"FileVersion", "1.0.0.12"},
    {"ProductVersion", "1.0"},
    {"CompanyName", "Vornel Inform\xE1tica"},
    {"FileDescription", "Gest\xE3o Comercial"},
    {"InternalName", ""},
};

TEST(VersionResource, ReadsTheStringsOfPe32AndPe32Plus) {
  for (bool plus : {false, true}) {
    PeOptions options;
    options.pe32Plus = plus;
    options.tables.push_back({"041604E4", kStrings});
    const auto block = VersionInfoBlock(BuildPe(options));
    ASSERT_TRUE(block) << plus;
    EXPECT_EQ(QueryVersionBlock(*block, "\\StringFileInfo\\041604E4\\FileVersion"), "1.0.0.12");
    EXPECT_EQ(QueryVersionBlock(*block, "\\\\StringFileInfo\\\\041604e4\\\\companyname"),
              "Vornel Inform\xE1tica");
    EXPECT_EQ(QueryVersionBlock(*block, "\\StringFileInfo\\041604E4\\FileDescription"),
              "Gest\xE3o Comercial");
    EXPECT_EQ(QueryVersionBlock(*block, "\\StringFileInfo\\041604E4\\InternalName"), "");
    EXPECT_EQ(QueryVersionBlock(*block, "\\StringFileInfo\\041604E4\\LegalCopyright"), std::nullopt);
    // Tables and the root are not strings.
    EXPECT_EQ(QueryVersionBlock(*block, "\\StringFileInfo\\041604E4"), std::nullopt);
    EXPECT_EQ(QueryVersionBlock(*block, "\\"), std::nullopt);
  }
}

TEST(VersionResource, OtherLanguageBlocksDoNotAnswerForThePortugueseOne) {
  const auto english = VersionInfoBlock(BuildPeWithVersion(kStrings, "040904B0"));
  ASSERT_TRUE(english);
  EXPECT_EQ(QueryVersionBlock(*english, "\\StringFileInfo\\041604E4\\FileVersion"), std::nullopt);
  EXPECT_EQ(QueryVersionBlock(*english, "\\StringFileInfo\\040904B0\\FileVersion"), "1.0.0.12");

  PeOptions both;
  both.tables.push_back({"040904B0", {{"FileVersion", "2.0.0.1"}}});
  both.tables.push_back({"041604E4", {{"FileVersion", "2.0.0.2"}}});
  const auto block = VersionInfoBlock(BuildPe(both));
  ASSERT_TRUE(block);
  EXPECT_EQ(QueryVersionBlock(*block, "\\StringFileInfo\\041604E4\\FileVersion"), "2.0.0.2");
  EXPECT_EQ(QueryVersionBlock(*block, "\\StringFileInfo\\040904B0\\FileVersion"), "2.0.0.1");
}

TEST(VersionResource, ReadsFilesByPathAndNothingFromOtherFiles) {
  TempFolder folder;
  test::WritePeWithVersion(folder.Path() / "KORAMI.EXE", kStrings);
  const std::string exe = (folder.Path() / "KORAMI.EXE").string();
  EXPECT_GT(VersionInfoSize(exe), 0u);
  EXPECT_EQ(QueryVersionString(exe, "\\StringFileInfo\\041604E4\\FileVersion"), "1.0.0.12");

  PeOptions noVersion;
  noVersion.withVersion = false;
  folder.Write("SEMVERSAO.EXE", BuildPe(noVersion));
  folder.Write("TEXTO.TXT", "MZ but not much else");
  ::mkfifo((folder.Path() / "FIFO.EXE").c_str(), 0600);  // must not hang the reader
  for (const char* name : {"SEMVERSAO.EXE", "TEXTO.TXT", "FALTA.EXE", "FIFO.EXE", ""}) {
    const std::string path = (folder.Path() / name).string();
    EXPECT_EQ(VersionInfoSize(path), 0u) << name;
    EXPECT_EQ(QueryVersionString(path, "\\StringFileInfo\\041604E4\\FileVersion"), std::nullopt) << name;
  }
}

TEST(VersionResource, CommittedSamplesRead) {
  const std::string data = LIFTO_TEST_DATA_DIR;
  EXPECT_EQ(QueryVersionString(data + "/version-1.0.0.12.exe", "\\StringFileInfo\\041604E4\\FileVersion"),
            "1.0.0.12");
  EXPECT_EQ(QueryVersionString(data + "/version-040904B0.exe", "\\StringFileInfo\\041604E4\\FileVersion"),
            std::nullopt);
  EXPECT_EQ(QueryVersionString(data + "/version-040904B0.exe", "\\StringFileInfo\\040904B0\\FileVersion"),
            "3.1.0.7");
  // Built by a real resource compiler and linker from version-toolchain.rc.
  EXPECT_EQ(QueryVersionString(data + "/version-toolchain.dll", "\\StringFileInfo\\041604E4\\FileVersion"),
            "5.4.3.21");
  EXPECT_EQ(QueryVersionString(data + "/version-toolchain.dll", "\\StringFileInfo\\041604E4\\CompanyName"),
            "Vornel Inform\xE1tica");
}

TEST(VersionResource, TruncatedAndDamagedFilesReadAsWithoutVersion) {
  PeOptions options;
  options.tables.push_back({"041604E4", kStrings});
  const std::string good = BuildPe(options);
  const auto expected = QueryVersionBlock(*VersionInfoBlock(good), "\\StringFileInfo\\041604E4\\FileVersion");
  // Every prefix: either nothing, or the right value (the cut fell into trailing padding).
  for (std::size_t size = 0; size < good.size(); ++size) {
    const auto block = VersionInfoBlock(std::string_view(good).substr(0, size));
    if (!block) continue;
    const auto value = QueryVersionBlock(*block, "\\StringFileInfo\\041604E4\\FileVersion");
    EXPECT_TRUE(!value || value == expected) << size;
  }
  // Random damage must never crash or read out of bounds (the sanitizer build checks the latter).
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = good;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int f = 0; f < flips; ++f) {
      damaged[random() % damaged.size()] = static_cast<char>(random() & 0xFF);
    }
    if (const auto block = VersionInfoBlock(damaged)) {
      QueryVersionBlock(*block, "\\StringFileInfo\\041604E4\\FileVersion");
      QueryVersionBlock(*block, "\\VarFileInfo\\Translation");
    }
  }
  EXPECT_EQ(VersionInfoBlock(std::string(5000, '\0')), std::nullopt);
  EXPECT_EQ(QueryVersionBlock(std::string(3, '\x10'), "\\StringFileInfo"), std::nullopt);
}

}  // namespace
}  // namespace lifto::platform
