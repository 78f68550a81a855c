#include "net/HelperLink.h"

#include <chrono>
#include <thread>

#include "net/ExchangeFile.h"
#include "net/HelperMessages.h"
#include "platform/Codepage.h"
#include "platform/TextCase.h"
#include "support/Ui.h"
#include "support/Utilities.h"

namespace lifto::net {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kDialTextLimit = 4095;

// How long the tool waits for an answer. The helper ends its own network work after its
// timeouts; these limits only keep a helper that stopped answering from holding the tool.
std::chrono::milliseconds TimeLimit(std::uint32_t msg) {
  switch (msg) {
    case kMsgDownload: return platform::kWaitForever;  // the helper's stall timeout ends it
    case kMsgDial:
    case kMsgConnect:
    case kMsgChangeDir:
    case kMsgListDir: return 10min;
    default: return 1min;
  }
}

void SayHelperAbsent() {
  support::ShowKindMessage(Ansi("O Programa Vornet não está na memoria"), 4);
}

std::optional<platform::WindowHandle> FindHelperOrSay() {
  const auto helper = platform::FindWindow(kHelperClass);
  if (!helper) SayHelperAbsent();
  return helper;
}

// Sends a request to the helper found; nullopt when it did not answer.
std::optional<std::int64_t> Send(platform::WindowHandle helper, std::uint32_t msg, std::uint64_t wParam = 0) {
  return platform::SendMessage(helper, msg, wParam, 0, {}, TimeLimit(msg));
}

// A request that carries one line in the exchange file; the file goes when the request ends.
std::optional<std::int64_t> SendWithLine(platform::WindowHandle helper, std::uint32_t msg,
                                         const std::string& line, std::uint64_t wParam = 0) {
  ExchangeFileCleanup cleanup;
  if (!WriteExchangeLines({line})) return std::nullopt;
  return Send(helper, msg, wParam);
}

bool HoldsFieldSeparator(const std::string& field) { return field.find(';') != std::string::npos; }

// Waits, handling the tool's window messages, until a helper window is there or the time is up.
bool WaitForHelperWindow() {
  const auto end = Clock::now() + std::chrono::seconds(kHelperStartSeconds);
  while (!platform::FindWindow(kHelperClass)) {
    if (Clock::now() >= end) return false;
    support::CurrentUi().ProcessMessages();
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// Closes the helpers already running: each is asked to hang up and quit, and given a moment to go.
void CloseRunningHelpers() {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto helper = platform::FindWindow(kHelperClass);
    if (!helper) return;
    Send(*helper, kMsgHangUp);
    Send(*helper, kMsgQuit);
    const auto end = Clock::now() + 5s;
    while (platform::IsWindow(*helper) && Clock::now() < end) {
      support::CurrentUi().ProcessMessages();
      std::this_thread::sleep_for(20ms);
    }
  }
}

}  // namespace

std::string HelperProgramPath() { return support::WindowsFolder() + "\\System\\Vornet.exe"; }

bool StartHelper() {
  CloseRunningHelpers();
  const std::string path = HelperProgramPath();
  if (support::StartProgram("\"" + path + "\"", 1) && WaitForHelperWindow()) return true;
  support::ShowKindMessage(Ansi("Erro: o módulo ") + path + Ansi(" não foi carregado"), 4);
  return false;
}

void CloseHelper() {
  const auto helper = FindHelperOrSay();
  if (!helper) return;
  Send(*helper, kMsgHangUp);
  Send(*helper, kMsgQuit);
}

bool IsOnline() {
  const auto helper = FindHelperOrSay();
  return helper && Send(*helper, kMsgIsOnline) == 1;
}

std::vector<std::string> ListDialEntries() {
  std::vector<std::string> names;
  const auto helper = FindHelperOrSay();
  if (!helper) return names;
  Send(*helper, kMsgListDialEntries);
  const auto child = platform::GetFirstChild(*helper);
  if (!child || *child == 0) return names;
  std::string text = platform::GetWindowText(*child).value_or("");
  if (text.size() > kDialTextLimit) text.resize(kDialTextLimit);
  const std::string separator(1, kDialEntrySeparator);
  const std::string padded = support::PadSeparators(text, separator);
  const int count = support::CountChar(text, separator);
  for (int n = 1; n <= count; ++n) names.push_back(support::GetField(padded, n, separator));
  return names;
}

bool Dial(const std::string& name) {
  const auto entries = ListDialEntries();
  // The dial request looks for the helper on its own, as every request does.
  const auto helper = FindHelperOrSay();
  if (!helper) return false;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (platform::EqualsNoCase(entries[i], name)) return Send(*helper, kMsgDial, i) == 0;
  }
  return false;
}

void HangUp() {
  if (const auto helper = FindHelperOrSay()) Send(*helper, kMsgHangUp);
}

bool Connect(const std::string& host, const std::string& user, const std::string& password) {
  const auto helper = FindHelperOrSay();
  if (!helper) return false;
  if (HoldsFieldSeparator(host) || HoldsFieldSeparator(user) || HoldsFieldSeparator(password)) return false;
  return SendWithLine(*helper, kMsgConnect, host + ";" + user + ";" + password) == 1;
}

void Disconnect() {
  if (const auto helper = FindHelperOrSay()) Send(*helper, kMsgDisconnect);
}

bool ChangeRemoteDir(const std::string& folder) {
  const auto helper = FindHelperOrSay();
  return helper && SendWithLine(*helper, kMsgChangeDir, folder) == 1;
}

bool IsSafeRemoteName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos;
}

std::optional<std::vector<std::string>> ListRemoteDir(const std::string& folder) {
  const auto helper = FindHelperOrSay();
  if (!helper) return std::nullopt;
  if (!ChangeRemoteDir(folder)) {
    support::ShowKindMessage(Ansi("Diretório não existe: ") + folder, 4);
    return std::nullopt;
  }
  std::vector<std::string> names;
  ExchangeFileCleanup cleanup;
  RemoveExchangeFile();  // only what the helper writes now may be read as its answer
  if (Send(*helper, kMsgListDir) == 1) {
    for (auto& name : ReadExchangeLines().value_or(std::vector<std::string>{})) {
      if (IsSafeRemoteName(name)) names.push_back(std::move(name));
    }
  }
  return names;
}

bool DownloadFile(const std::string& remotePath, const std::string& localPath,
                  platform::WindowHandle progressBar) {
  const auto helper = FindHelperOrSay();
  if (!helper) return false;
  if (HoldsFieldSeparator(remotePath) || HoldsFieldSeparator(localPath)) return false;
  return SendWithLine(*helper, kMsgDownload, remotePath + ";" + localPath, progressBar) == 1;
}

}  // namespace lifto::net
