#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/Registry.h"

/// The tool's library of free functions: dialogs by kind, text helpers, registry, version
/// information, folders, file listing, program start and waits. Texts are 1252; positions 1-based.
namespace lifto::support {

// ---- Dialogs ----

/// Beeps and shows a message box of the kind: 1 "Aviso", 2 "Informação", 3 "Confirmação",
/// 4 "Erro". Kinds outside 1 to 4 show nothing.
void ShowKindMessage(const std::string& text, int kind);

/// The question box titled "Confirmação" (the title argument is not shown). Style 1: "&Sim" and
/// "&Não"; other styles: "OK" and "Cancela". @return true for "&Sim" or "OK"
bool AskConfirmation(const std::string& text, const std::string& title, int style);

// ---- Text helpers ----

std::string RemoveBlanks(std::string text);
int LastCharPos(const std::string& character, const std::string& text);
std::string RightText(const std::string& text, int n);
std::string PadSeparators(const std::string& text, const std::string& separator);
int CountChar(const std::string& text, const std::string& character);
std::string GetField(const std::string& text, int n, const std::string& separator);
std::string ZeroPad(const std::string& number, int width);
std::string RepeatText(const std::string& text, int n);
std::string TodayText();
std::string StripDateMarks(std::string text);
/// Copies count characters from the 0-based index, ending early at a zero character; a count of
/// 0 shows "Contador tem que ser > 1 e o indice > 0 " and gives an empty text.
std::string CopyChars(const std::string& text, int index, int count);

template <typename T>
T Iif(bool condition, const T& ifTrue, const T& ifFalse) {
  return condition ? ifTrue : ifFalse;
}

/// What FieldTextPadded needs of an open table; the database engine's tables implement it.
class FieldSource {
 public:
  virtual ~FieldSource() = default;
  virtual std::string FieldAsText(const std::string& fieldName) const = 0;
  virtual int FieldDeclaredSize(const std::string& fieldName) const = 0;
};
std::string FieldTextPadded(const FieldSource& table, const std::string& fieldName, bool strip);

// ---- Files, folders, registry, processes ----

std::string WindowsFolder();
std::string EnvironmentText(const std::string& name);
std::string TempFolder();
std::string FolderPart(const std::string& path);
std::vector<std::string> ListFiles(const std::string& pattern);
bool DeleteFolderTree(const std::string& folder, bool keep);
std::string AliasPath(const std::string& alias, bool parent);

/// Registry value kinds: 1 Boolean, 2 Currency, 3 Date, 4 DateTime, 5 Float, 6 Integer,
/// 7 String, 8 Time.
using RegistryValue = std::variant<std::monostate, bool, double, std::int64_t, std::string>;
bool WriteRegistryValue(platform::RootKey root, const std::string& keyPath,
                        const std::string& valueName, const RegistryValue& value, int kind);
RegistryValue ReadRegistryValue(platform::RootKey root, const std::string& keyPath,
                                const std::string& valueName, int kind);

/// Version string of an executable by kind 0 to 9 ("FileVersion" shaped, "CompanyName"...).
std::string FileVersionText(const std::string& fileName, int kind);

struct TDadosRede {
  std::string ComputerName;
  std::string WorkGroup;
  bool NetworkPresent = false;
};
TDadosRede ReadComputerIdentity();

/// Starts a command line with priority kind 1 real-time, 2 high, 3 normal, other idle.
bool StartProgram(const std::string& commandLine, int priorityKind);

/// Waits, handling pending window messages, without spinning the processor.
void WaitMilliseconds(int milliseconds);
/// Waits until the seconds of the local time have changed n times; handles no messages.
void WaitSeconds(int n);

}  // namespace lifto::support
