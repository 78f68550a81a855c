#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>

/// What the fault-injection tests of the update need beyond the sample office: a small disk that
/// fills up, and a view of a folder tree by content.
namespace lifto::test {

/// A disk of a few bytes for the programs a test starts. When this process may mount (as root), a
/// tmpfs of that size is mounted on the folder (empty, created) and unmounted at the end;
/// otherwise every file the programs write is limited to that size (RLIMIT_FSIZE with SIGXFSZ
/// ignored, both inherited by the programs started while it lives), which fails the same writes.
class SmallDisk {
 public:
  SmallDisk(const std::filesystem::path& folder, std::size_t bytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return mounted_; }
  /// "tmpfs" or "RLIMIT_FSIZE", for the test's output.
  const char* Kind() const { return mounted_ ? "tmpfs" : "RLIMIT_FSIZE"; }
  /// Fills a mounted disk with one file until no byte is left (nothing without a mount).
  void Fill() const;

 private:
  std::filesystem::path folder_;
  bool mounted_ = false;
  bool limited_ = false;
  unsigned long long oldSoftLimit_ = 0;
};

/// Every regular file below a folder (relative path, '/' separated) with its content.
std::map<std::string, std::string> TreeOf(const std::filesystem::path& folder);

/// Bytes that do not compress, the same for the same seed.
std::string NoiseBytes(std::size_t size, unsigned seed);

}  // namespace lifto::test
