#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// The Windows profile (INI) reader, as the update scripts' file sections are read on Windows:
/// sections "[NAME]", entries "key=value", ";" comment lines. Section and key names compare without
/// regard to case (1252 letters included), blanks (space, tab) around keys and values are dropped,
/// a value enclosed in a matching pair of quotes loses them, the first section and the first key of
/// a name win. Results are packed into callers' buffers of a fixed size and cut, without an error,
/// when they do not fit. Lines end with CR LF, a lone CR or a lone LF.
namespace lifto::platform {

/// Key names of a section as they fit into a name buffer.
struct ProfileKeyNames {
  /// Names in file order (equal names each time they occur). When the list was cut, the last
  /// name is the cut one, unless it was cut to nothing.
  std::vector<std::string> names;
  bool truncated = false;  ///< not every name fitted
  bool lastCut = false;    ///< the last name of `names` lost characters
};

/// A profile file parsed once; lookups follow the reader's rules.
class ProfileFile {
 public:
  /// Parses profile text (1252 bytes). Never fails: what is not a section, entry or comment is
  /// taken as a key without value, as the reader does.
  static ProfileFile Parse(std::string_view text);

  /// Reads a file by Windows path. A missing or unreadable file, or one on an unmapped drive,
  /// reads as empty, as the reader does.
  static ProfileFile Load(std::string_view windowsPath);

  /// The key names of a section, packed as the reader packs them into a buffer of bufferSize
  /// characters: every name followed by a zero, the list followed by one more zero. When they do
  /// not fit, the last name is cut so that it and two zeros end the buffer.
  ProfileKeyNames KeyNames(std::string_view section, std::size_t bufferSize) const;

  /// The value of the first key of that name in the section, cut to bufferSize - 1 characters;
  /// the default (without trailing blanks) when the section or key is missing.
  std::string String(std::string_view section, std::string_view key, std::string_view defaultValue,
                     std::size_t bufferSize) const;

 private:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  const Section* FindSection(std::string_view name) const;

  std::vector<Section> sections_;
};

/// Replaces a text file as a whole: the content goes to a new file in the same folder, is flushed
/// to the disk and then renamed over the old one, so that a failure (a full disk, a crash) leaves
/// either the old file or the new one, never a half-written one. A symbolic link of the user or
/// root is followed; one of another user (planted in a shared folder) is replaced itself. The
/// old file's permissions are kept; a read-only file is not replaced.
/// @throw std::runtime_error naming the file when it cannot be written
void ReplaceTextFile(std::string_view windowsPath, std::string_view content);

/// Reads a whole file by Windows path. @throw std::runtime_error naming the file when it cannot be
/// read (missing, unmapped drive, a folder, no permission).
std::string ReadTextFile(std::string_view windowsPath);

}  // namespace lifto::platform
