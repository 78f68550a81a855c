#include "vornet/VornetHelper.h"

#include <chrono>
#include <iostream>

#include "net/ExchangeFile.h"
#include "net/HelperMessages.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "vornet/Commands.h"

namespace lifto::vornet {
namespace {

using namespace std::chrono_literals;

void Report(const std::string& problem) { std::cerr << "vornet: " << problem << std::endl; }

// The fields of the request's line in the exchange file; nullopt unless there are exactly n.
std::optional<std::vector<std::string>> RequestFields(std::size_t n) {
  const auto lines = net::ReadExchangeLines();
  if (!lines || lines->empty()) return std::nullopt;
  std::vector<std::string> fields;
  const std::string& line = lines->front();
  std::size_t start = 0;
  while (true) {
    const std::size_t end = line.find(';', start);
    fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (fields.size() != n) return std::nullopt;
  return fields;
}

ClientOptions OptionsOf(const net::InternetConfig& config) {
  ClientOptions options;
  options.connectTimeoutSeconds = config.connectTimeoutSeconds;
  options.stallTimeoutSeconds = config.stallTimeoutSeconds;
  if (!config.caFile.empty()) {
    const auto host = config.caFile[0] == '/' ? std::optional(std::filesystem::path(platform::ToUtf8(config.caFile)))
                                              : platform::ToHostPath(config.caFile);
    if (host) options.caFile = host->string();
  }
  return options;
}

}  // namespace

VornetHelper::VornetHelper(net::InternetConfig config)
    : config_(std::move(config)), client_(OptionsOf(config_)) {}

VornetHelper::~VornetHelper() = default;

int VornetHelper::Run() {
  window_.emplace([this](const platform::WindowMessage& message) { return Handle(message); },
                  platform::WindowOptions{"", "Vornet", 0});
  platform::WindowOptions child;
  child.parent = window_->Handle();
  entries_.emplace([](const platform::WindowMessage&) -> std::int64_t { return 0; }, child);
  // Registered last: the tool may send its requests as soon as it finds the class.
  if (!window_->RegisterWindowClass(net::kHelperClass)) {
    throw std::runtime_error("cannot register the window class " + std::string(net::kHelperClass));
  }
  auto lastRequest = std::chrono::steady_clock::now();
  while (!quit_) {
    if (platform::WaitForMessages(1s) > 0) {
      lastRequest = std::chrono::steady_clock::now();
    } else if (std::chrono::steady_clock::now() - lastRequest > std::chrono::minutes(kIdleMinutes)) {
      break;
    }
  }
  if (dialled_) HangUp();
  return 0;
}

std::int64_t VornetHelper::Handle(const platform::WindowMessage& message) {
  // A request that fails in an unforeseen way fails alone; the helper stays for the next one.
  try {
    return Answer(message);
  } catch (const std::exception& error) {
    Report(std::string("request ") + std::to_string(message.msg) + " failed: " + error.what());
    return 0;
  }
}

std::int64_t VornetHelper::Answer(const platform::WindowMessage& message) {
  switch (message.msg) {
    case net::kMsgDial: return DialEntry(message.wParam);
    case net::kMsgListDialEntries: PublishDialEntries(); return 0;
    case net::kMsgHangUp: return HangUp();
    case net::kMsgQuit: quit_ = true; return 0;
    case net::kMsgIsOnline: return IsOnline();
    case net::kMsgConnect: return Connect();
    case net::kMsgDisconnect: client_.Disconnect(); return 0;
    case net::kMsgChangeDir: return ChangeDir();
    case net::kMsgListDir: return ListDir();
    case net::kMsgDownload: return Download(static_cast<platform::WindowHandle>(message.wParam));
    default: return 0;
  }
}

void VornetHelper::PublishDialEntries() {
  std::string text;
  for (const auto& entry : config_.dialupEntries) text += entry.name + net::kDialEntrySeparator;
  if (entries_) entries_->SetText(std::move(text));
}

std::int64_t VornetHelper::DialEntry(std::uint64_t index) {
  if (index >= config_.dialupEntries.size()) return 1;
  const auto& entry = config_.dialupEntries[index];
  const int status = RunCommand(entry.command, config_.connectTimeoutSeconds);
  if (status != 0) {
    Report("dialling \"" + platform::ToUtf8(entry.name) + "\" failed (status " + std::to_string(status) + ")");
    return 1;
  }
  dialled_ = true;
  return 0;
}

std::int64_t VornetHelper::HangUp() {
  // Only a connection this helper brought up is taken down.
  if (dialled_ && !config_.hangUpCommand.empty()) RunCommand(config_.hangUpCommand, config_.connectTimeoutSeconds);
  dialled_ = false;
  return 0;
}

std::int64_t VornetHelper::IsOnline() {
  if (config_.onlineCommand.empty()) return HasDefaultRoute() ? 1 : 0;
  return RunCommand(config_.onlineCommand, config_.connectTimeoutSeconds) == 0 ? 1 : 0;
}

std::int64_t VornetHelper::Connect() {
  const auto fields = RequestFields(3);
  if (!fields) return 0;
  if (client_.Connect((*fields)[0], (*fields)[1], (*fields)[2])) return 1;
  Report("login to " + platform::ToUtf8((*fields)[0]) + " failed: " + client_.LastError());
  return 0;
}

std::int64_t VornetHelper::ChangeDir() {
  const auto fields = RequestFields(1);
  return fields && client_.ChangeDir((*fields)[0]) ? 1 : 0;
}

std::int64_t VornetHelper::ListDir() {
  const auto names = client_.List();
  if (!names) {
    Report("listing failed: " + client_.LastError());
    return 0;
  }
  return net::WriteExchangeLines(*names) ? 1 : 0;
}

std::int64_t VornetHelper::Download(platform::WindowHandle progressBar) {
  const auto fields = RequestFields(2);
  if (!fields) return 0;
  const std::string& local = (*fields)[1];
  const auto host = !local.empty() && local[0] == '/' ? std::optional(std::filesystem::path(platform::ToUtf8(local)))
                                                      : platform::ToHostPath(local);
  if (!host) {
    Report("the local path " + platform::ToUtf8(local) + " is on no drive");
    return 0;
  }
  std::function<void(int)> progress;
  if (progressBar != 0) {
    progress = [progressBar](int percent) {
      platform::SendMessage(progressBar, net::kProgressSetPosition, static_cast<std::uint64_t>(percent), 0, {}, 2s);
    };
  }
  if (client_.Download((*fields)[0], *host, progress)) return 1;
  Report("download failed: " + client_.LastError());
  return 0;
}

}  // namespace lifto::vornet
