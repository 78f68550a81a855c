#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

/// One registry hive kept as a regedit export file: the file format and the locked, atomic
/// read-modify-write of such a file. Registry.h builds the two hives of LIFTO_HOME on this.
namespace lifto::platform {

/// Registry value types as regedit names them in "hex(N):".
enum RegistryType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

/// One value of a key.
struct HiveValue {
  std::string name;             ///< "" for the default value "@"
  std::uint32_t type = kRegSz;  ///< a RegistryType, or any other number found in "hex(N):"
  /// kRegSz, kRegExpandSz: the text in 1252 without its terminating zero; kRegMultiSz: the texts
  /// in 1252, each ended by a zero, as the registry keeps them; kRegDword: empty (a "hex(4):" of
  /// another length than four keeps its bytes here); others: the bytes.
  std::string data;
  std::uint32_t dword = 0;  ///< kRegDword only
};

/// One key section of the file. Values keep the order in which they were read or first written.
struct HiveKey {
  std::string path;  ///< full key path as written: "HKEY_LOCAL_MACHINE\Software\Vornel"
  std::vector<HiveValue> values;
};

/// A hive file in memory. Key paths and value names compare without regard to case; the root may
/// be written as "HKEY_LOCAL_MACHINE" or "HKLM", "HKEY_CURRENT_USER" or "HKCU".
class RegistryHive {
 public:
  /// Reads the text of an export: "REGEDIT4" in 1252, or "Windows Registry Editor Version 5.00" in
  /// UTF-16LE (with or without byte order mark) or UTF-8. An empty text is an empty hive.
  /// @param file named in errors only
  /// @throw ConfigError naming the file and the 1-based line of the first malformed line
  static RegistryHive Parse(std::string_view bytes, const std::filesystem::path& file);
  /// Reads a hive file; a missing file is an empty hive. @throw ConfigError, also when unreadable
  static RegistryHive Load(const std::filesystem::path& file);

  /// The hive in the "REGEDIT4" form: 1252, CRLF line ends, one blank line after each key.
  std::string Serialize() const;

  /// The value, or nullptr when the key or the value is missing.
  const HiveValue* Find(std::string_view keyPath, std::string_view valueName) const;
  /// A key exists when it has a section or when a section lies below it.
  bool KeyExists(std::string_view keyPath) const;
  /// Sets a value, creating the key when missing; an existing value of that name is replaced in place.
  void Set(std::string_view keyPath, HiveValue value);
  /// Removes a value. @return whether it was there
  bool Remove(std::string_view keyPath, std::string_view valueName);
  /// Creates a key without values when missing.
  void CreateKey(std::string_view keyPath);
  /// Removes a key with every key below it.
  void RemoveKey(std::string_view keyPath);

  const std::vector<HiveKey>& Keys() const { return keys_; }

 private:
  HiveKey& KeyFor(std::string_view keyPath);

  std::vector<HiveKey> keys_;
  std::map<std::string, std::size_t> index_;  // folded key path -> position in keys_
};

/// The form in which key paths are compared: separators collapsed, no leading or trailing "\",
/// root abbreviations spelled out, upper case in 1252.
std::string FoldKeyPath(std::string_view keyPath);
/// Upper case of a 1252 text, as the registry compares names.
std::string FoldCase(std::string_view text);

/// Changes a hive file as one step that no other program's change can interleave with: takes an
/// exclusive lock on "<file>.lock", reads the file, applies the change, writes the result to a
/// temporary file beside it and renames that over the file. The file keeps its permission bits. A
/// link at the file is followed only when it belongs to the user or root; another's is refused.
/// @throw ConfigError when the file is malformed (it is then left as it is)
/// @throw std::runtime_error naming the file when it cannot be locked, read or written
void UpdateHiveFile(const std::filesystem::path& file,
                    const std::function<void(RegistryHive&)>& change);

}  // namespace lifto::platform
