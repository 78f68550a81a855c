#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

/// The update script (*.aex): a 1252 text file of sections "[CONFIG]", "[BACKUP]", "[PONTO]",
/// "[SERVIDOR]", "[WINDOWS]" held in memory as its list of lines, indexed from 0. Nothing is parsed
/// into another structure; each operation interprets the lines when it runs.
namespace lifto::project {

using ScriptLines = std::vector<std::string>;

/// Buffer sizes of the profile reader as the file sections are read: key names, one value.
inline constexpr std::size_t kKeyNameBufferSize = 16384;
inline constexpr std::size_t kValueBufferSize = 2048;

/// What the entry dialog collects for one line.
struct EntryParts {
  std::string key;           ///< "[CONFIG]" only: the setting's key
  std::string value;         ///< the value; for file sections the first field (a path)
  std::string alias;         ///< "[CONFIG]" ALIAS only: the chosen alias
  std::string targetFolder;  ///< "[PONTO]", "[SERVIDOR]", "[WINDOWS]": folder below the root
};

// ---- The file ----

/// Reads a script: CR LF, a lone CR and a lone LF each end a line; bytes are kept as they are
/// (code page 1252, no byte-order mark expected). @throw std::runtime_error naming the file
ScriptLines LoadScript(std::string_view path);

/// Writes every line followed by CR LF, replacing the file atomically (a temporary file beside
/// it, then a rename), so that a failure leaves the old script whole.
/// @throw std::runtime_error naming the file
void SaveScript(const ScriptLines& lines, std::string_view path);

/// The lines of a script text, and the text of lines (each followed by CR LF).
ScriptLines ParseScriptText(std::string_view text);
std::string ScriptText(const ScriptLines& lines);

/// Writes the number of disks into "[CONFIG]" of a generated copy as "NUMDISCOS=<count>",
/// replacing the existing NUMDISCOS line or adding one at the end of the "[CONFIG]" block.
/// @throw std::runtime_error naming the file
void WriteDiskCount(std::string_view path, int count);

/// A section read through the profile reader, as "key=value" texts in file order, with the
/// reader's rules (case-insensitive names, blanks dropped, first of two equal keys wins) and its
/// buffers (16,384 characters of key names, 2,047 characters of a value). A missing file or
/// section gives an empty list.
std::vector<std::string> ReadFileSection(std::string_view path, std::string_view section);

// ---- The lines in memory ----

/// The sixteen lines of a new script.
ScriptLines NewScript();

/// The value of the first line of the whole list whose text before its first "=" equals the key
/// without regard to case: the text after that "=", unchanged. Empty when no line matches.
std::string FindKeyValue(const ScriptLines& lines, std::string_view key);

/// The section of a line: walking upwards from it (itself included), the first header line
/// without its first and last characters. Empty when there is none or the index is outside.
std::string SectionOfLine(const ScriptLines& lines, int index);

/// Inserts an entry at the end of the section's block (before its first blank line; at the end of
/// the list for the last section or a missing header) and composes it there.
/// @return the index of the new line
int InsertEntry(ScriptLines& lines, std::string_view section, const EntryParts& parts);

/// Composes the entry of the section on the given line, replacing it. A file entry's key is
/// "<first letter of the section>_ARQ<line index>", or the next free number when that key is
/// already used in the section. Setting ALIAS in "[CONFIG]" also sets PROG to the known program
/// of that alias. @throw std::out_of_range for an index outside the list
void ReplaceEntry(ScriptLines& lines, int index, std::string_view section, const EntryParts& parts);

/// Removes a line. @return false, removing nothing, for a section header or an index outside
bool DeleteEntry(ScriptLines& lines, int index);

/// Reads the version of an executable named by a Windows path as "1.2.3.4"; empty when the file
/// carries no readable version.
using VersionReader = std::function<std::string(const std::string& windowsPath)>;

/// "Atualiza Script": makes sure a "[BACKUP]" section exists and sets VERSAO to the file version
/// of the entry that names the PROG file. Entries whose file yields no version are passed over;
/// when some named it but none could be read, VERSAO stays as it is.
void RefreshVersion(ScriptLines& lines);
void RefreshVersion(ScriptLines& lines, const VersionReader& readVersion);

/// The text after the last "\"; empty when the path holds no "\".
std::string FileNameOfPath(std::string_view path);

}  // namespace lifto::project
