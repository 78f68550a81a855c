#include "e2e/FaultHelpers.h"

#include <sys/mount.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <random>
#include <stdexcept>

#include "support/TempFolder.h"

namespace lifto::test {

namespace fs = std::filesystem;

SmallDisk::SmallDisk(const fs::path& folder, std::size_t bytes) : folder_(folder) {
  fs::create_directories(folder);
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
  mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
  if (mounted_) return;
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  oldSoftLimit_ = limit.rlim_cur;
  limit.rlim_cur = bytes;
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("cannot limit the file size");
  std::signal(SIGXFSZ, SIG_IGN);
  limited_ = true;
}

SmallDisk::~SmallDisk() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  if (limited_) {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = oldSoftLimit_;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_DFL);
  }
}

void SmallDisk::Fill() const {
  if (!mounted_) return;
  std::ofstream out(folder_ / "filler", std::ios::binary);
  const std::string block(4096, 'f');
  while (out.write(block.data(), static_cast<std::streamsize>(block.size())) && out.flush()) {
  }
  // A last partial block takes what the whole blocks left.
  out.clear();
  for (int i = 0; i < 4096 && out.put('f') && out.flush(); ++i) {
  }
}

std::map<std::string, std::string> TreeOf(const fs::path& folder) {
  std::map<std::string, std::string> tree;
  if (!fs::exists(folder)) return tree;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      tree[fs::relative(entry.path(), folder).generic_string()] = ReadFileBytes(entry.path());
    }
  }
  return tree;
}

std::string NoiseBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

}  // namespace lifto::test
