#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "e2e/FaultHelpers.h"
#include "e2e/UpdateOfficeHelpers.h"

// Updates and archives meeting a full disk or a volume that goes away, through the real programs.
// Each run must end as a failure, and every file it did not reach must stay as it was.
namespace lifto::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUpdates = "F:\\KORAMI\\updates";

// An update set placed in the updates folder with its marker, for "/R".
void PlaceUpdate(Office& office, const std::vector<UpdateFile>& files, long maxSize = 0) {
  office.MakeUpdate(kUpdates, "X", "6.5.0.12", files, {}, maxSize);
  office.Write(std::string(kUpdates) + "\\atualiza.ok", "X.aex\r\n");
}

void Report(const SmallDisk& disk) { std::cout << "[ small disk ] " << disk.Kind() << std::endl; }

// The files of the three install roots.
std::map<std::string, std::string> Roots(const Office& office) {
  std::map<std::string, std::string> all;
  for (const char* root : {"C:\\KORAMI", "C:\\WINDOWS", "F:\\KORAMI"}) {
    for (auto& [path, content] : TreeOf(office.Host(root))) {
      // The users table's lock file appears with the first look at the table.
      if (!path.ends_with(".lck") && path != "filler") all[std::string(root) + "/" + path] = content;
    }
  }
  return all;
}

TEST(DiskFull, AtuCreateOntoAFullDiskFailsNamingTheVolume) {
  Office office;
  office.Write("C:\\FONTES\\BIG\\A.DAT", NoiseBytes(300000, 1));
  SmallDisk disk(office.Host("F:\\OUT"), 64 * 1024);
  Report(disk);
  const AtualizarRun run = office.RunAtu({"create", "F:\\OUT\\X.ATU", "C:\\FONTES\\BIG\\*.*"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("X.ATU"), std::string::npos) << run.output;
}

TEST(DiskFull, ExtractionOntoAFullDiskInstallsNothing) {
  Office office;
  office.Write("C:\\KORAMI\\A.DAT", "old A");
  PlaceUpdate(office, {{"PONTO", "A.DAT", NoiseBytes(200000, 2)}, {"SERVIDOR", "B.DAT", "new B"}});
  const auto before = Roots(office);
  SmallDisk disk(office.Home().Home() / "temp", 64 * 1024);
  Report(disk);
  const AtualizarRun run = office.Run({"/R", "/KORAMI.EXE"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.Shows("Foi detectado um erro ao fazer a Atualização")) << run.output;
  EXPECT_EQ(Roots(office), before);
  EXPECT_TRUE(office.LogLines().empty());
}

TEST(DiskFull, SectionCopyOntoAFullDiskLeavesEveryFileWhole) {
  Office office;
  SmallDisk disk(office.Host("C:\\KORAMI"), 160 * 1024);
  Report(disk);
  if (!disk.Mounted()) GTEST_SKIP() << "a per-file limit stops the extraction before any copy";
  const std::string oldA = NoiseBytes(40000, 3), oldB = NoiseBytes(40000, 4), oldC = NoiseBytes(40000, 5);
  const std::string newA = NoiseBytes(30000, 6), newB = NoiseBytes(60000, 7), newC = NoiseBytes(60000, 8);
  office.Write("C:\\KORAMI\\A.DAT", oldA);
  office.Write("C:\\KORAMI\\B.DAT", oldB);
  office.Write("C:\\KORAMI\\C.DAT", oldC);
  PlaceUpdate(office, {{"PONTO", "A.DAT", newA}, {"PONTO", "B.DAT", newB}, {"PONTO", "C.DAT", newC}});
  const AtualizarRun run = office.Run({"/R", "/KORAMI.EXE"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.Shows("Não foi possível copiar o arquivo B.DAT")) << run.output;
  EXPECT_TRUE(office.LogLines().empty());
  // A was reached and replaced whole; B could not be; C was never reached.
  EXPECT_EQ(TreeOf(office.Host("C:\\KORAMI")),
            (std::map<std::string, std::string>{{"A.DAT", newA}, {"B.DAT", oldB}, {"C.DAT", oldC}}));
}

TEST(DiskFull, TheLogRewrittenOnAFullDiskKeepsItsOldContent) {
  Office office;
  // The server folder moves onto the small disk with what it holds.
  const fs::path server = office.Host("F:\\KORAMI");
  fs::rename(server, server.string() + ".old");
  SmallDisk disk(server, 1024 * 1024);
  Report(disk);
  if (!disk.Mounted()) GTEST_SKIP() << "filling needs a mounted disk";
  fs::copy(server.string() + ".old", server, fs::copy_options::recursive);
  const std::string oldLog = "Atualiza\xE7\xE3o para versao 6.5.0.11 : F:\\KORAMI\\UPDATES\\W.aex no dia 01/12/2026 \xE0s 10:00:00\r\n";
  office.Write("F:\\KORAMI\\Atualiz.log", oldLog);
  PlaceUpdate(office, {{"PONTO", "A.DAT", "new A"}});
  disk.Fill();
  const AtualizarRun run = office.Run({"/R", "/KORAMI.EXE"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_EQ(office.Read("F:\\KORAMI\\Atualiz.log"), oldLog);
  EXPECT_FALSE(run.Shows("Realizada com Sucesso")) << run.output;
  for (const auto& [path, content] : TreeOf(server)) {
    EXPECT_EQ(path.find(".tmp"), std::string::npos) << path;
  }
}

// A diskette pulled while it is read: a volume cut short, or gone when it is asked for.
TEST(VanishingVolume, TheRestoreFailsAndWritesNothingOutsideItsFolder) {
  for (const bool cut : {true, false}) {
    Office office;
    office.Write("C:\\KORAMI\\A.DAT", "old A");
    PlaceUpdate(office, {{"PONTO", "A.DAT", NoiseBytes(250000, 9)}}, 100000);
    const fs::path second = office.Host(std::string(kUpdates) + "\\X.002");
    ASSERT_TRUE(fs::exists(second));
    if (cut) {
      fs::resize_file(second, fs::file_size(second) / 2);
    } else {
      fs::remove(second);
    }
    const auto before = office.Snapshot();
    const AtualizarRun run = office.Run({"/R", "/KORAMI.EXE"}, "ok,ok,ok");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_TRUE(run.Shows("Foi detectado um erro ao fazer a Atualização")) << run.output;
    for (const auto& path : ChangedPaths(before, office.Snapshot())) {
      const bool expected = path.starts_with("temp/") || path == "transcript.jsonl" ||
                            path == "output.txt" || path.ends_with(".lck");
      EXPECT_TRUE(expected) << path << (cut ? " (volume cut short)" : " (volume gone)");
    }
  }
}

}  // namespace
}  // namespace lifto::test
