#include "platform/FilePlaces.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/SafeFiles.h"
#include "support/SandboxHome.h"
#include "support/SecondUser.h"

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;
using test::SandboxHome;

// What reading the file gives: its first bytes, or the reason it fails.
std::string ReadFrom(UniqueFd file) {
  if (!file.Valid()) return "refused: " + std::string(std::strerror(errno));
  std::string content(64, '\0');
  const auto got = ::read(file.Get(), content.data(), content.size());
  content.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
  return content;
}

// As HostFile reads a file by its whole path.
std::string ReadByPath(const std::string& path) {
  const auto host = ToHostPath(path);
  if (!host) return "no host path";
  return ReadFrom(OpenFile(*host, O_RDONLY));
}

std::string ReadThrough(FilePlaces& places, const std::string& path) {
  if (!ToHostPath(path)) return "no host path";
  return ReadFrom(places.OpenForReading(path));
}

// The current folder, given back at the end.
class InFolder {
 public:
  explicit InFolder(const fs::path& folder) : previous_(fs::current_path()) { fs::current_path(folder); }
  ~InFolder() { fs::current_path(previous_); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  fs::path previous_;
};

TEST(FilePlaces, AgreesWithTheOperationsOnWholePaths) {
  SandboxHome home({{"F", "srv"}});
  for (const char* name : {"abc", "Abc", "XY", "mN", "Mn", "lower.txt", "sub\\inner.bin"}) {
    home.Write(std::string("F:\\KORAMI\\") + name, name);
  }
  home.Write("F:\\OUTRA\\B.TXT", "outra");
  const fs::path korami = home.Home() / "srv" / "KORAMI";
  fs::create_symlink("abc", korami / "link");
  fs::create_symlink("nothing", korami / "dangling");
  const InFolder inKorami(korami);
  // Each path twice and the folders in turn, so that known names and a folder opened again count.
  const std::vector<std::string> paths = {
      "F:\\KORAMI\\abc",       "F:\\korami\\ABC",      "F:\\KORAMI\\aBc",    "F:\\KORAMI\\mn",
      "F:\\KORAMI\\LOWER.TXT", "F:\\OUTRA\\b.txt",      "F:\\KORAMI\\xy",     "F:\\KORAMI\\SUB",
      "F:\\KORAMI\\sub\\",     "F:\\KORAMI\\link",     "F:\\KORAMI\\dangling", "F:\\KORAMI\\NOVO.TXT",
      "F:\\NADA\\X.TXT",       "F:\\KORAMI\\sub\\..\\abc", "F:\\KORAMI\\sub\\INNER.BIN", "F:\\KORAMI\\.",  "abc",
      "Q:\\NADA\\X.TXT",       (korami / "XY").string(), (korami / "xy").string()};
  FilePlaces places;
  for (int round = 0; round < 2; ++round) {
    for (const auto& path : paths) {
      const auto st = places.Stat(path);
      EXPECT_EQ(st && !S_ISDIR(st->st_mode), FileExists(path)) << path;
      EXPECT_EQ(places.Attributes(path), GetAttributes(path)) << path;
      EXPECT_EQ(ReadThrough(places, path), ReadByPath(path)) << path;
    }
  }
  // More folders in turn than are kept open.
  for (int i = 0; i < 20; ++i) home.Write("F:\\MUITAS\\P" + std::to_string(i) + "\\A.TXT", std::to_string(i));
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 20; ++i) {
      EXPECT_EQ(ReadThrough(places, "F:\\MUITAS\\p" + std::to_string(i) + "\\a.txt"), std::to_string(i));
    }
  }
  // A file that appears after its folder was looked into is found.
  EXPECT_FALSE(places.Stat("F:\\OUTRA\\NOVO.TXT"));
  home.Write("F:\\OUTRA\\NOVO.TXT", "novo");
  EXPECT_EQ(ReadThrough(places, "F:\\OUTRA\\NOVO.TXT"), "novo");
}

TEST(FilePlaces, RefusesWhatTheWalkRefuses) {
  if (!test::CanActAsSecondUser()) GTEST_SKIP() << test::kNeedsRoot;
  SandboxHome home({{"F", "srv"}});
  home.Write("F:\\REAL\\DADOS.DB", "dados");
  const fs::path srv = home.Home() / "srv";
  // Links that another user could have planted: one as a folder on the way, one as the file.
  fs::create_directory_symlink("REAL", srv / "PLANTED");
  fs::create_symlink("REAL/DADOS.DB", srv / "FILE.DB");
  for (const auto& link : {srv / "PLANTED", srv / "FILE.DB"}) {
    ASSERT_EQ(::lchown(link.c_str(), test::kSecondUser, test::kSecondUser), 0);
  }
  FilePlaces places;
  // The share's folder is open when the planted one below it is met.
  for (const char* path : {"F:\\FILE.DB", "F:\\PLANTED\\DADOS.DB", "F:\\REAL\\DADOS.DB"}) {
    EXPECT_EQ(ReadThrough(places, path), ReadByPath(path)) << path;
  }
  EXPECT_EQ(ReadThrough(places, "F:\\PLANTED\\DADOS.DB"), "refused: " + std::string(std::strerror(ELOOP)));
}

}  // namespace
}  // namespace lifto::platform
