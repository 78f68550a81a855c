#include "ArchiveTestHelpers.h"

#include <cstring>
#include <fstream>
#include <random>

#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace lifto::archive {

ArchiveTest::ArchiveTest() : scope_(ui) {
  platform::Environment::SetCurrent(platform::Environment::LoadFrom(temp.Path() / "home"));
  std::filesystem::create_directories(Host("C:\\OUT"));  // where the tests write archives
  backup.SetOnError([this](TBackupFile&, std::int32_t code, const std::string& text) {
    errors.push_back(code);
    errorTexts.push_back(text);
  });
}

ArchiveTest::~ArchiveTest() { platform::Environment::Reset(); }

std::string CoderName(const ::testing::TestParamInfo<unsigned>& info) {
  return info.param == 1 ? "Serial" : "Parallel";
}

std::filesystem::path ArchiveTest::Host(const std::string& windowsPath) const {
  return platform::ToHostPath(windowsPath).value();
}

void ArchiveTest::Write(const std::string& windowsPath, const std::string& content) const {
  const auto host = Host(windowsPath);
  std::filesystem::create_directories(host.parent_path());
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  ASSERT_TRUE(out.good()) << host;
}

std::string ArchiveTest::Read(const std::string& windowsPath) const {
  return test::ReadFileBytes(Host(windowsPath));
}

bool ArchiveTest::Exists(const std::string& windowsPath) const {
  return platform::FileExists(windowsPath);
}

std::int32_t ArchiveTest::StampOf(const std::string& windowsPath) const {
  return static_cast<std::int32_t>(
      platform::ToDosDateTime(platform::GetLastWriteTime(windowsPath).value()));
}

void ArchiveTest::SetStamp(const std::string& windowsPath, std::int32_t stamp) const {
  platform::SetLastWriteTime(windowsPath, platform::FromDosDateTime(static_cast<std::uint32_t>(stamp)));
}

std::string RandomText(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string text(size, '\0');
  for (auto& c : text) c = static_cast<char>(random());
  return text;
}

std::string PackedInt32(std::int32_t value) {
  std::string bytes(4, '\0');
  const auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return bytes;
}

std::vector<std::int32_t> BlockLengths(const std::string& archive, std::size_t offset) {
  std::vector<std::int32_t> lengths;
  offset += 4;  // the method marker
  for (;;) {
    std::int32_t length = 0;
    std::memcpy(&length, archive.data() + offset, 4);
    offset += 4;
    if (length == 0) return lengths;
    lengths.push_back(length);
    offset += static_cast<std::size_t>(length < 0 ? -length : length);
  }
}

}  // namespace lifto::archive
