#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

/// Window messages between our programs and the vendor's (the "/NV" notification of a calling
/// program, the internet helper's requests and the progress bar it moves), over Unix-domain
/// sockets. Everything runs on the calling thread: a program serves the messages of its windows
/// when it calls ProcessPendingMessages or WaitForMessages, and while it waits inside SendMessage,
/// so that the program it waits on can send messages back to it, as on Windows.
///
/// Runtime folder: $XDG_RUNTIME_DIR/lifto when XDG_RUNTIME_DIR is set, else LIFTO_HOME/run. It is
/// created with mode 0700 and refused when another user owns it or others may enter it.
///
/// Names in the runtime folder:
///   hwnd-<handle>   a listening stream socket: the window with that decimal handle (1..2^31-1)
///   class-<name>    a symbolic link to "hwnd-<handle>": the window registered for the class
///                   name (the name in UTF-8, compared exactly); the latest registration wins
///   tmp-...         sockets and links being made; they are renamed into place when ready, so
///                   that a visible "hwnd-" socket always listens while its program runs
/// A name whose socket refuses connections is stale (its program ended without removing it);
/// any program may remove stale names.
///
/// One connection carries one request. All numbers are little-endian.
///   Request, sender to window:
///     offset  size  field
///        0      4   magic "LWM1"
///        4      4   kind: 1 send (the sender waits for the reply), 2 post (no reply),
///                   3 get the window's text, 4 get the window's first child
///        8      4   message number (unsigned)
///       12      8   wParam (unsigned)
///       20      8   lParam (signed)
///       28      4   n, length of the text that follows (at most 65536)
///       32      n   text, in code page 1252 (a payload; empty for most messages)
///   Reply, window to sender, for kinds 1, 3 and 4; then the window closes the connection:
///        0      4   magic "LWR1"
///        4      4   status: 0 answered, 1 unknown request kind
///        8      8   result (signed): kind 1 the handler's result; kind 3 the text's length;
///                   kind 4 the first child's handle, or 0
///       16      4   n, length of the text that follows (at most 65536)
///       20      n   text: kind 3 the window's text; empty otherwise
/// A window that cannot read a whole request within two seconds, or finds a wrong magic, closes
/// the connection without a reply. A sender that connects and closes at once (to learn whether the
/// window exists) gets nothing and causes nothing.
namespace lifto::platform {

/// A window handle as the programs pass it around ("/NV:1234"); 0 is no window.
using WindowHandle = std::uint32_t;

/// Waits without a time limit; a sender still stops waiting when the window's program ends.
inline constexpr std::chrono::milliseconds kWaitForever{-1};

/// A message as its window receives it.
struct WindowMessage {
  std::uint32_t msg = 0;
  std::uint64_t wParam = 0;
  std::int64_t lParam = 0;
  std::string text;     ///< the payload, in 1252
  bool posted = false;  ///< posted: nobody waits for the result
};

/// The window procedure: returns the message's result. It may send messages itself, create and
/// destroy windows, including its own. An exception it throws leaves the sender without a result
/// and reaches the caller of the function that was serving messages.
using MessageHandler = std::function<std::int64_t(const WindowMessage&)>;

struct WindowOptions {
  std::string className;    ///< registered for FindWindow when not empty
  std::string text;         ///< the window's text (GetWindowText)
  WindowHandle parent = 0;  ///< a window of this program; the new one becomes its child
};

/// A window that receives messages: a handle, and a socket listening under that handle, removed
/// when the object goes. Belongs to the process that made it (a forked child neither serves nor
/// removes it).
class MessageWindow {
 public:
  /// @throw std::runtime_error naming the runtime folder when it or the socket cannot be made
  explicit MessageWindow(MessageHandler handler, const WindowOptions& options = {});
  ~MessageWindow();
  MessageWindow(MessageWindow&& other) noexcept;
  MessageWindow& operator=(MessageWindow&& other) noexcept;
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  WindowHandle Handle() const;
  const std::string& Text() const;
  void SetText(std::string text);
  /// Registers the window for a class name, replacing an earlier registration of that name; the
  /// registration goes with the window. @return false for a name that cannot be a file name
  bool RegisterWindowClass(const std::string& className);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// The runtime folder, created when missing. @throw std::runtime_error when it cannot be used
std::filesystem::path MessageRuntimeFolder();

/// The window registered for a class name, when its program is still running.
std::optional<WindowHandle> FindWindow(const std::string& className);
/// Whether a window with that handle exists.
bool IsWindow(WindowHandle window);

/// Sends a message and waits for its result, serving this program's own windows meanwhile.
/// @param timeout how long to wait for the result; kWaitForever waits until the window answers
///        or its program ends
/// @return the result; nullopt when there is no such window, the time ran out or the window's
///         program ended before answering
std::optional<std::int64_t> SendMessage(WindowHandle window, std::uint32_t msg, std::uint64_t wParam,
                                        std::int64_t lParam, const std::string& text = {},
                                        std::chrono::milliseconds timeout = kWaitForever);
/// Queues a message for a window without waiting. @return whether it was delivered to the window
bool PostMessage(WindowHandle window, std::uint32_t msg, std::uint64_t wParam, std::int64_t lParam,
                 const std::string& text = {});
/// The text of a window; nullopt when there is no such window or it did not answer in time.
std::optional<std::string> GetWindowText(WindowHandle window,
                                         std::chrono::milliseconds timeout = std::chrono::seconds(10));
/// The first child of a window (0 when it has none); nullopt as for GetWindowText.
std::optional<WindowHandle> GetFirstChild(WindowHandle window,
                                          std::chrono::milliseconds timeout = std::chrono::seconds(10));

/// Serves the messages already waiting for this program's windows, without blocking.
/// @return how many requests were served
int ProcessPendingMessages();
/// Waits up to the timeout until a message arrives for one of this program's windows and serves
/// what is waiting then. @return how many requests were served (0 when the time ran out)
int WaitForMessages(std::chrono::milliseconds timeout);

}  // namespace lifto::platform
