#include "update/DownloadFiles.h"

#include <gtest/gtest.h>

#include "UpdateFixture.h"
#include "platform/Codepage.h"
#include "support/Utilities.h"
#include "update/OfficeIdentity.h"

namespace lifto::test {
namespace {

using namespace update;

class DownloadFilesTest : public UpdateFixture {
 protected:
  // A downloader that writes the remote path as the file's content, or fails for one path.
  FileDownloader Downloader(const std::string& failing = "") {
    return [this, failing](const std::string& remote, const std::string& local) {
      fetched.push_back(remote);
      if (remote == failing) return false;
      home.Write(local, remote);
      return true;
    };
  }
  std::vector<std::string> fetched;
};

TEST(DownloadNames, OnlyPlainScriptNamesMayBeDownloaded) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"X.aex", true},          {"korami65.AEX", true}, {"..\\X.aex", false},
      {"a/X.aex", false},       {"C:X.aex", false},     {"..aex", false},
      {"X..aex", false},        {"X.ATU", false},       {".aex", false},
      {"", false},              {"X.aex.exe", false},
  };
  for (const auto& [name, allowed] : cases) EXPECT_EQ(IsDownloadableScriptName(name), allowed) << name;
  EXPECT_EQ(ArchiveOfRemoteScript("/home/vornel/updates/KORAMI/K65.Aex"),
            "/home/vornel/updates/KORAMI/K65.ATU");
}

TEST(DownloadNames, OfficeSpecificLineMatchesOfficeAndProgramInUpperCase) {
  const OfficeIdentity office{"CENTRAL", Ansi("SÃO PAULO"), "SP"};
  const std::vector<std::string> lines = {
      "CENTRAL\xc8SAO PAULO\xc8SP\xc8KORAMI.EXE\xc8" "A.aex",      // another city
      "central\xc8s\xe3o paulo\xc8sp\xc8MORBA.EXE\xc8" "B.aex",     // another program
      "Central\xc8S\xe3o Paulo\xc8Sp\xc8korami.exe\xc8" "C.aex",    // this one
      "CENTRAL\xc8S\xc3O PAULO\xc8SP\xc8KORAMI.EXE\xc8" "D.aex",    // a later match
  };
  EXPECT_EQ(OfficeSpecificScript(lines, office, "KORAMI.EXE"), "C.aex");
  EXPECT_EQ(OfficeSpecificScript(lines, office, "PAVRO.EXE"), "");
  EXPECT_EQ(OfficeSpecificScript({}, office, "KORAMI.EXE"), "");
}

TEST_F(DownloadFilesTest, DownloadsIntoTheTemporaryFolderAndRecordsTheTarget) {
  std::vector<std::string> records;
  EXPECT_TRUE(DownloadUpdateFile("/home/vornel/updates/KORAMI/KORAMI65.aex", records, Downloader()));
  EXPECT_FALSE(DownloadUpdateFile("/home/vornel/updates/KORAMI/KORAMI65.ATU", records,
                                  Downloader("/home/vornel/updates/KORAMI/KORAMI65.ATU")));
  // A path of no known program has nowhere to go.
  EXPECT_FALSE(DownloadUpdateFile("/home/vornel/updates/OUTRO/O.aex", records, Downloader()));
  const std::string local = DownloadFolder() + "\\KORAMI65.aex";
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], local + " ; F:\\KORAMI\\updates\\KORAMI65.aex");
  EXPECT_EQ(RecordLocal(records[1]), DownloadFolder() + "\\KORAMI65.ATU");
  EXPECT_EQ(RecordTarget(records[1]), "F:\\KORAMI\\updates\\KORAMI65.ATU");
  EXPECT_EQ(Read(local), "/home/vornel/updates/KORAMI/KORAMI65.aex");
  EXPECT_FALSE(Exists("F:\\KORAMI\\updates\\KORAMI65.aex"));
}

TEST_F(DownloadFilesTest, InstallCopiesAllOrReportsTheFailedCopyAndTakesTheOthersBack) {
  for (const bool targetWritable : {true, false}) {
    std::vector<std::string> records;
    ASSERT_TRUE(DownloadUpdateFile("/home/vornel/updates/KORAMI/X.aex", records, Downloader()));
    ASSERT_TRUE(DownloadUpdateFile("/home/vornel/updates/KORAMI/X.ATU", records, Downloader()));
    home.Write("F:\\KORAMI\\updates\\X.ATU", "old");
    if (!targetWritable) MakeReadOnly("F:\\KORAMI\\updates\\X.ATU");
    std::vector<std::string> steps;
    ui.messages.clear();
    const bool ok = InstallDownloadedFiles(records, [&](const std::string& s) { steps.push_back(s); });
    EXPECT_EQ(ok, targetWritable);
    EXPECT_EQ(steps.front(), "Copiando Arquivo " + DownloadFolder() + "\\X.aex");
    EXPECT_FALSE(Exists(DownloadFolder())) << "the temporary download folder goes either way";
    if (targetWritable) {
      EXPECT_EQ(Read("F:\\KORAMI\\updates\\X.aex"), "/home/vornel/updates/KORAMI/X.aex");  // new there
      EXPECT_EQ(Read("F:\\KORAMI\\updates\\X.ATU"), "/home/vornel/updates/KORAMI/X.ATU");  // replaced
      EXPECT_TRUE(ui.messages.empty());
    } else {
      // The script copied first is taken back: no script without its archive.
      EXPECT_FALSE(Exists("F:\\KORAMI\\updates\\X.aex"));
      ASSERT_EQ(ui.messages.size(), 1u);
      EXPECT_EQ(ui.messages[0].kind, 4);
      EXPECT_NE(ui.messages[0].text.find("F:\\KORAMI\\updates\\X.ATU"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace lifto::test
