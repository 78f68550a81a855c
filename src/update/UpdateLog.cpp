#include "update/UpdateLog.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <vector>

#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/TextCase.h"
#include "support/Clock.h"
#include "support/Ui.h"
#include "support/Utilities.h"
#include "update/SetSignatures.h"
#include "update/TextFile.h"
#include "update/UpdateText.h"

namespace lifto::update {
namespace {

constexpr std::size_t kMaxLogLines = 25;
constexpr std::size_t kKeptUpdates = 4;
constexpr const char* kLogName = "Atualiz.log";

// The system's long time text: hours, minutes and seconds with ":".
std::string LongTimeText() {
  const std::time_t now = std::chrono::system_clock::to_time_t(support::CurrentClock().Now());
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

std::string WithBackslash(const std::string& folder) {
  return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

}  // namespace

std::string UpdateLogLine(const std::string& version, const std::string& scriptPath) {
  return Ansi("Atualização para versao ") + version + " : " + scriptPath + " no dia " +
         support::TodayText() + Ansi(" às ") + LongTimeText();
}

std::string ScriptNameOfLogLine(const std::string& line) {
  if (line.size() < 14) return {};
  const std::string rest = line.substr(13);
  const auto end = rest.find(" no dia ");
  if (end == std::string::npos) return {};
  const std::string path = rest.substr(0, end);
  const auto cut = path.find_last_of("\\:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

void WriteUpdateLog(UpdateContext& context, const std::string& folder,
                    const std::string& scriptPath, const std::string& version) {
  // Without the server folder the log would land in the current drive's root.
  if (folder.empty()) throw std::runtime_error("Cannot write the update log: no server folder");
  const std::string log = folder + "\\" + kLogName;
  const std::string line = UpdateLogLine(version, scriptPath);

  // Workstations updating at once each add their line: the read and the rewrite go together.
  const FileRewriteLock lock(log);
  std::vector<std::string> lines = ReadTextLines(log).value_or(std::vector<std::string>{});
  if (lines.size() >= kMaxLogLines) lines.clear();
  lines.push_back(line);

  std::string bytes;
  for (const auto& each : lines) bytes += each + "\r\n";
  WriteFileAtomically(log, bytes);

  CleanUpdatesFolder(context);
}

void CleanUpdatesFolder(UpdateContext& context) {
  SetStatus(context, "Limpando Area...");
  support::CurrentUi().ProcessMessages();

  // Without a server folder the names would resolve against the current drive's root.
  if (context.pastaServidor.empty()) return;
  const std::string root = WithBackslash(context.pastaServidor);
  const auto lines = ReadTextLines(root + kLogName);
  if (!lines) return;

  // Each name once, by its first appearance; a name that could reach outside the updates
  // folder ("..\x.aex", "a/b.aex") is never touched.
  std::vector<std::string> names;
  std::vector<std::string> seen;
  for (const auto& line : *lines) {
    const std::string name = ScriptNameOfLogLine(line);
    if (!IsPlainFileName(name)) continue;
    const std::string key = platform::Upper1252(name);
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    seen.push_back(key);
    names.push_back(name);
  }

  const std::string updates = root + "UPDATES\\";
  std::vector<std::size_t> kept;
  for (std::size_t i = names.size(); i-- > 0 && kept.size() < kKeptUpdates;) {
    if (platform::FileExists(updates + names[i])) kept.push_back(i);
  }

  for (std::size_t i = 0; i < names.size(); ++i) {
    if (std::find(kept.begin(), kept.end(), i) != kept.end()) continue;
    if (!platform::FileExists(updates + names[i])) continue;
    platform::DeleteFile(updates + names[i]);
    // The archive's name comes from the script's name alone, so that a folder whose name holds
    // "aex" never redirects the deletion elsewhere.
    const std::string archive = updates + ReplaceAllNoCase(names[i], "aex", "ATU");
    if (platform::FileExists(archive)) platform::DeleteFile(archive);
    // Their signatures, where the set came signed, go with them.
    for (const auto& file : {updates + names[i], archive}) {
      if (platform::FileExists(SignatureFileOf(file))) platform::DeleteFile(SignatureFileOf(file));
    }
  }
}

std::string LastLoggedScript(const std::string& sourceFolder) {
  std::string parent = sourceFolder;
  if (!parent.empty() && parent.back() == '\\') parent.pop_back();
  const auto cut = parent.rfind('\\');
  parent = cut == std::string::npos ? std::string() : parent.substr(0, cut + 1);

  const auto lines = ReadTextLines(parent + kLogName);
  if (!lines || lines->empty()) return {};
  return ScriptNameOfLogLine(lines->back());
}

std::string LastLoggedScript(const UpdateContext& context) {
  return LastLoggedScript(context.C_caminhoOrigem);
}

}  // namespace lifto::update
