#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "net/InternetConfig.h"
#include "platform/WindowMessages.h"
#include "vornet/ServerClient.h"

/// The internet helper: a top-level window of class "TFormainet" (never shown) with one child
/// window whose text publishes the dial-up entries, answering the tool's requests as the link
/// defines them. Requests come one at a time; each ends within the site's timeouts.
namespace lifto::vornet {

class VornetHelper {
 public:
  /// How long the helper waits for a request before it ends by itself, so that a helper whose
  /// tool ended without closing it does not stay behind.
  static constexpr int kIdleMinutes = 60;

  explicit VornetHelper(net::InternetConfig config);
  ~VornetHelper();
  VornetHelper(const VornetHelper&) = delete;
  VornetHelper& operator=(const VornetHelper&) = delete;

  /// Makes the windows and serves requests until the quit request or the idle limit.
  /// @return the exit status: 0
  /// @throw std::runtime_error when the windows cannot be made
  int Run();

  /// Answers one request (the window procedure). Exposed for tests.
  std::int64_t Handle(const platform::WindowMessage& message);

 private:
  std::int64_t Answer(const platform::WindowMessage& message);
  std::int64_t DialEntry(std::uint64_t index);
  std::int64_t HangUp();
  std::int64_t IsOnline();
  std::int64_t Connect();
  std::int64_t ChangeDir();
  std::int64_t ListDir();
  std::int64_t Download(platform::WindowHandle progressBar);
  void PublishDialEntries();

  net::InternetConfig config_;
  ServerClient client_;
  std::optional<platform::MessageWindow> window_;
  std::optional<platform::MessageWindow> entries_;
  bool quit_ = false;
  bool dialled_ = false;
};

}  // namespace lifto::vornet
