// Archives straight from the fuzzer, restored into a scratch folder: whatever the bytes, Restore
// ends with a result or an ArchiveError, and writes nothing outside its target folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "archive/ArchiveError.h"
#include "archive/BackupFile.h"

namespace {

namespace fs = std::filesystem;

fs::path base;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Memory-backed where the host has it: every run makes and removes files.
  char pattern[] = "/dev/shm/lifto-restore-fuzz-XXXXXX";
  char fallback[] = "/tmp/lifto-restore-fuzz-XXXXXX";
  char* made = ::mkdtemp(pattern);
  if (made == nullptr) made = ::mkdtemp(fallback);
  if (made == nullptr) std::abort();
  base = made;
  // The tool's environment lives in the scratch folder too.
  ::setenv("LIFTO_HOME", (base / "home").c_str(), 1);
  std::atexit([] {
    std::error_code ec;
    fs::remove_all(base, ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path work = base / "work";
  const fs::path archive = work / "in.atu";
  const fs::path target = work / "out" / "inside";
  fs::create_directories(target);
  {
    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  lifto::archive::TBackupFile backup;
  backup.SetOnError([](lifto::archive::TBackupFile&, std::int32_t, const std::string&) {});
  backup.SetOnNeedDisk([](lifto::archive::TBackupFile&, std::uint16_t, bool& goOn) { goOn = false; });
  backup.SetRestoreFullPath(size % 2 == 1);
  try {
    backup.Restore(archive.string(), target.string());
  } catch (const lifto::archive::ArchiveError&) {
  }
  // Everything written must lie below the target folder.
  for (const auto& entry : fs::directory_iterator(work)) {
    if (entry.path() != archive && entry.path() != work / "out") std::abort();
  }
  for (const auto& entry : fs::directory_iterator(work / "out")) {
    if (entry.path() != target) std::abort();
  }
  fs::remove_all(work);
  return 0;
}
