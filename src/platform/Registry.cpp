#include "platform/Registry.h"

#include <map>
#include <memory>

#include <sys/stat.h>

#include "platform/Environment.h"
#include "platform/RegistryHive.h"

namespace lifto::platform {
namespace {

std::string FullKeyPath(RootKey root, const std::string& keyPath) {
  return std::string(root == RootKey::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER") +
         '\\' + keyPath;
}

// What identifies one version of a hive file: a write replaces the file, so its inode changes.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  long long modifiedNs = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::filesystem::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return {};
  return {info.st_dev, info.st_ino, info.st_size,
          static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

// Reading a hive is parsing a whole export; the parsed hive is kept until the file changes.
std::shared_ptr<const RegistryHive> LoadHive(RootKey root) {
  struct Cached {
    FileStamp stamp;
    std::shared_ptr<const RegistryHive> hive;
  };
  static std::map<std::filesystem::path, Cached> cache;
  const auto file = RegistryHivePath(root);
  const FileStamp stamp = StampOf(file);
  auto& entry = cache[file];
  if (!entry.hive || !(entry.stamp == stamp)) {
    entry.hive = std::make_shared<const RegistryHive>(RegistryHive::Load(file));
    entry.stamp = stamp;
  }
  return entry.hive;
}

}  // namespace

std::filesystem::path RegistryHivePath(RootKey root) {
  return Environment::Current().Home() / (root == RootKey::LocalMachine ? "HKLM.reg" : "HKCU.reg");
}

std::optional<RegistryData> ReadRegistry(RootKey root, const std::string& keyPath,
                                         const std::string& valueName) {
  const auto hive = LoadHive(root);
  const HiveValue* value = hive->Find(FullKeyPath(root, keyPath), valueName);
  std::optional<RegistryData> result;
  if (value == nullptr) return result;
  if (value->type == kRegSz || value->type == kRegExpandSz) {
    result.emplace(std::in_place_index<0>, value->data);
  } else if (value->type == kRegDword && value->data.empty()) {
    result.emplace(std::in_place_index<1>, value->dword);
  }
  return result;
}

bool RegistryKeyExists(RootKey root, const std::string& keyPath) {
  return LoadHive(root)->KeyExists(FullKeyPath(root, keyPath));
}

bool WriteRegistry(RootKey root, const std::string& keyPath, const std::string& valueName,
                   const RegistryData& data) {
  const std::string fullPath = FullKeyPath(root, keyPath);
  if (FoldKeyPath(fullPath).find('\\') == std::string::npos) return false;  // the root itself
  HiveValue value;
  value.name = valueName;
  if (const auto* text = std::get_if<std::string>(&data)) {
    value.type = kRegSz;
    value.data = *text;
  } else {
    value.type = kRegDword;
    value.dword = std::get<std::uint32_t>(data);
  }
  try {
    UpdateHiveFile(RegistryHivePath(root), [&](RegistryHive& hive) { hive.Set(fullPath, value); });
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace lifto::platform
