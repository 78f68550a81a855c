#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive/BackupFile.h"
#include "support/FakeUi.h"
#include "support/TempFolder.h"

namespace lifto::archive {

/// A fresh environment for one archive test: LIFTO_HOME in a temporary folder (so C: is its
/// drive_c), a fake Ui, and a component whose error reports are recorded.
class ArchiveTest : public ::testing::Test {
 protected:
  ArchiveTest();
  ~ArchiveTest() override;

  std::filesystem::path Host(const std::string& windowsPath) const;
  void Write(const std::string& windowsPath, const std::string& content) const;
  std::string Read(const std::string& windowsPath) const;
  bool Exists(const std::string& windowsPath) const;
  std::int32_t StampOf(const std::string& windowsPath) const;
  void SetStamp(const std::string& windowsPath, std::int32_t stamp) const;

  test::TempFolder temp;
  test::FakeUi ui;
  TBackupFile backup;
  std::vector<std::int32_t> errors;
  std::vector<std::string> errorTexts;

 private:
  test::FakeUi::Scope scope_;
};

/// An ArchiveTest run once on the calling thread (1) and once on worker threads (2), so that
/// every machine checks both the serial and the parallel coders whatever its processor count.
class CoderTest : public ArchiveTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  CoderTest() { backup.SetCodingThreads(GetParam()); }
};
std::string CoderName(const ::testing::TestParamInfo<unsigned>& info);
#define LIFTO_BOTH_CODERS(suite) \
  INSTANTIATE_TEST_SUITE_P(Coders, suite, ::testing::Values(1U, 2U), ::lifto::archive::CoderName)

std::string RandomText(std::size_t size, unsigned seed = 1);
std::string PackedInt32(std::int32_t value);

/// The data blocks of one EC2 segment starting at `offset` of an archive: each block's length
/// field as stored. Stops at the segment's 0.
std::vector<std::int32_t> BlockLengths(const std::string& archive, std::size_t offset);

}  // namespace lifto::archive
