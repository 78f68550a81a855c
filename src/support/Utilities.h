#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/Registry.h"

/// The tool's library of free functions: dialogs by kind, text helpers, registry, version
/// information, folders, file listing, program start and waits. Texts are 1252; positions 1-based.
/// The helpers keep no state and raise nothing to their callers unless said otherwise: failures
/// give false, an empty text or a null value.
namespace lifto::support {

// ---- Dialogs ----

/// Beeps and shows a message box of the kind: 1 "Aviso", 2 "Informação", 3 "Confirmação",
/// 4 "Erro", with one "OK" button. Kinds outside 1 to 4 show nothing.
void ShowKindMessage(const std::string& text, int kind);

/// The question box titled "Confirmação" (the title argument is not shown). Style 1: "&Sim" and
/// "&Não"; other styles: "OK" and "Cancela". @return true for "&Sim" or "OK"; false for the other
/// button or closing the box
bool AskConfirmation(const std::string& text, const std::string& title, int style);

// ---- Text helpers ----

/// Deletes every blank (code 32); other white space stays.
std::string RemoveBlanks(std::string text);
/// 1-based position of the last occurrence of the one-character text; 0 when absent.
int LastCharPos(const std::string& character, const std::string& text);
/// The last n characters; the whole text when n is not less than its length; empty for n <= 0.
std::string RightText(const std::string& text, int n);
/// Every occurrence of the one-character separator becomes blank, separator, blank.
std::string PadSeparators(const std::string& text, const std::string& separator);
/// Number of occurrences of the one-character text.
int CountChar(const std::string& text, const std::string& character);
/// The n-th field (n from 1) of a text whose separators carry a blank on each side
/// ("A , B , C"); empty when there are fewer fields. A bare separator loses the character on each
/// side of it ("AB,CD" gives "A" for n = 1).
std::string GetField(const std::string& text, int n, const std::string& separator);
/// Left-pads with zeros to the width, keeping a minus sign in front ("-7", 3 gives "-07").
std::string ZeroPad(const std::string& number, int width);
/// The text n times; empty for n <= 0.
std::string RepeatText(const std::string& text, int n);
/// Today's local date (from CurrentClock()) as "dd/mm/yyyy".
std::string TodayText();
/// Removes every "-", "." and "/".
std::string StripDateMarks(std::string text);
/// Copies count characters from the 0-based index, ending early at a zero character or the end
/// of the text. A count of 0 shows the plain box "Contador tem que ser > 1 e o indice > 0 " and
/// gives an empty text; a negative count or an index outside the text gives an empty text.
std::string CopyChars(const std::string& text, int index, int count);

template <typename T>
T Iif(bool condition, const T& ifTrue, const T& ifFalse) {
  return condition ? ifTrue : ifFalse;
}

/// What FieldTextPadded needs of an open table; the database engine's tables implement it.
class FieldSource {
 public:
  virtual ~FieldSource() = default;
  /// The field's current value as text.
  virtual std::string FieldAsText(const std::string& fieldName) const = 0;
  /// The field's declared size in characters.
  virtual int FieldDeclaredSize(const std::string& fieldName) const = 0;
};
/// The field's value (through StripDateMarks when strip is set), padded with blanks to the
/// field's declared size; a longer value is not cut.
std::string FieldTextPadded(const FieldSource& table, const std::string& fieldName, bool strip);

// ---- Files, folders, registry, processes ----

/// The Windows folder ("C:\WINDOWS"), no trailing backslash.
std::string WindowsFolder();
/// An environment variable's value (at most 4096 characters), empty when unset.
std::string EnvironmentText(const std::string& name);
/// The temporary folder: TEMP; when that value with its blanks removed is empty, TMP; the value
/// as it is (no backslash added, blanks kept; an absolute host path in its Windows form).
/// The tool's temporary files must never lie where another user can plant or swap them, so when
/// neither variable is set, or the folder found is writable by other users (as /tmp is), the
/// result is the user's private folder inside it (mode 0700, created when missing).
/// @throw std::runtime_error when that private folder exists with another owner or mode
std::string TempFolder();
/// The path up to and including its last backslash; empty without one.
std::string FolderPart(const std::string& path);
/// Files matching a pattern with "*" or "?" (every entry, "." and ".." included, as FolderPart of
/// the pattern followed by the name, in the file system's order); for a plain name, that name
/// when such a file exists.
std::vector<std::string> ListFiles(const std::string& pattern);
/// Deletes a folder's files and subfolders, then (unless keep) the folder itself.
/// @return false when the folder is missing or a file could not be deleted (what was deleted
///         before stays deleted)
bool DeleteFolderTree(const std::string& folder, bool keep);
/// The PATH of a database alias without a trailing backslash; with parent, the folder that holds
/// it. Empty for an unknown alias.
std::string AliasPath(const std::string& alias, bool parent);

/// Registry value kinds.
enum RegistryValueKind {
  kRegBoolean = 1,   ///< bool, stored as DWORD 0/1
  kRegCurrency = 2,  ///< double, stored as text with 4 decimals
  kRegDate = 3,      ///< double date-time (days since 30/12/1899), stored as "dd/mm/yyyy"
  kRegDateTime = 4,  ///< double date-time, stored as "dd/mm/yyyy hh:nn:ss"
  kRegFloat = 5,     ///< double, stored as text
  kRegInteger = 6,   ///< 32-bit integer, stored as DWORD
  kRegString = 7,    ///< text
  kRegTime = 8,      ///< double date-time (fraction of a day), stored as "hh:nn:ss"
};

/// A registry value as it travels between the tool and the registry: null (monostate), Boolean,
/// floating (currency, float and the date-time kinds), integer or text. Writing converts the value
/// to the kind's type ("12" for an integer kind, 1 for a Boolean, ...).
using RegistryValue = std::variant<std::monostate, bool, double, std::int64_t, std::string>;
/// Writes a value, creating the key when missing.
/// @return false for a kind outside 1 to 8, a value that does not convert, or a registry failure
bool WriteRegistryValue(platform::RootKey root, const std::string& keyPath,
                        const std::string& valueName, const RegistryValue& value, int kind);
/// Reads a value as the kind's type. @return null when the key is missing, the kind is outside
/// 1 to 8, or the value is missing or of another type (a missing text value reads as "")
RegistryValue ReadRegistryValue(platform::RootKey root, const std::string& keyPath,
                                const std::string& valueName, int kind);

/// Version string of an executable under "041604E4": kinds 0/2 the first two numbers of
/// "FileVersion"/"ProductVersion", 1/3 what follows their second dot, 4 "CompanyName",
/// 5 "ProductName", 6 "LegalCopyright", 7 "OriginalFilename", 8 "InternalName",
/// 9 "FileDescription". Empty without version information or for another kind.
std::string FileVersionText(const std::string& fileName, int kind);

struct TDadosRede {
  std::string ComputerName;
  std::string WorkGroup;
  bool NetworkPresent = false;
};
/// The computer's name and work group as the network setup records them, else as the system
/// reports them; and whether a network is present.
TDadosRede ReadComputerIdentity();

/// Starts a command line without waiting, with priority kind 1 real-time, 2 high, 3 normal,
/// other idle. @return true when the process was created
bool StartProgram(const std::string& commandLine, int priorityKind);

/// Waits the milliseconds, handling pending window messages (CurrentUi().ProcessMessages()) on
/// every pass; sleeps in short slices between passes rather than spinning.
void WaitMilliseconds(int milliseconds);
/// Waits until the seconds of the local time have changed n times (between n - 1 and n seconds);
/// handles no messages. Sleeps until each second's boundary rather than spinning.
void WaitSeconds(int n);

}  // namespace lifto::support
