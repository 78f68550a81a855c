#include "platform/WindowMessages.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/Codepage.h"
#include "platform/Environment.h"
#include "platform/UniqueFd.h"

namespace lifto::platform {

namespace detail {

// What serving a window needs; MessageWindow owns one, the process-wide table points at it.
struct WindowState {
  WindowHandle handle = 0;
  pid_t owner = 0;
  UniqueFd listen;
  UniqueFd folder;  // the runtime folder the window's names live in
  std::shared_ptr<MessageHandler> handler;
  std::string text;
  WindowHandle parent = 0;
  std::vector<WindowHandle> children;
  std::vector<std::string> classLinks;
};

}  // namespace detail

struct MessageWindow::Impl : detail::WindowState {};

namespace {

namespace fs = std::filesystem;
using detail::WindowState;
using Clock = std::chrono::steady_clock;

constexpr char kRequestMagic[4] = {'L', 'W', 'M', '1'};
constexpr char kReplyMagic[4] = {'L', 'W', 'R', '1'};
constexpr std::size_t kRequestHeader = 32;
constexpr std::size_t kReplyHeader = 20;
constexpr std::uint32_t kMaxText = 65536;
constexpr auto kRequestTimeLimit = std::chrono::seconds(2);
constexpr WindowHandle kFirstHandle = 0x10000;
constexpr WindowHandle kLastHandle = 0x7FFFFFFF;

enum Kind : std::uint32_t { kSend = 1, kPost = 2, kGetText = 3, kGetChild = 4 };

std::map<WindowHandle, WindowState*>& Windows() {
  static std::map<WindowHandle, WindowState*> windows;
  return windows;
}

// The windows this process serves (a forked child inherits the table but not the windows).
std::vector<WindowHandle> OwnWindows() {
  std::vector<WindowHandle> handles;
  const pid_t self = ::getpid();
  for (const auto& [handle, state] : Windows()) {
    if (state->owner == self) handles.push_back(handle);
  }
  return handles;
}

WindowState* OwnWindow(WindowHandle handle) {
  const auto it = Windows().find(handle);
  return it != Windows().end() && it->second->owner == ::getpid() ? it->second : nullptr;
}

std::uint32_t Random32() {
  std::uint32_t value = 0;
  if (::getrandom(&value, sizeof value, 0) != sizeof value) {
    value = static_cast<std::uint32_t>(Clock::now().time_since_epoch().count()) ^
            static_cast<std::uint32_t>(::getpid());
  }
  return value;
}

std::string HandleName(WindowHandle handle) { return "hwnd-" + std::to_string(handle); }

std::optional<WindowHandle> ParseHandleName(std::string_view name) {
  if (name.rfind("hwnd-", 0) != 0 || name.size() <= 5 || name.size() > 15) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : name.substr(5)) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value == 0 || value > kLastHandle) return std::nullopt;
  return static_cast<WindowHandle>(value);
}

std::string TempName() {
  return "tmp-" + std::to_string(::getpid()) + "-" + std::to_string(Random32());
}

[[noreturn]] void ThrowFolder(const std::string& what, const fs::path& folder) {
  throw std::runtime_error(what + " " + folder.string() + ": " + std::strerror(errno));
}

// ---- the runtime folder ----

fs::path RuntimeFolderPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return fs::path(runtime) / "lifto";
  return Environment::Current().Home() / "run";
}

struct Folder {
  fs::path path;
  int fd = -1;  // an O_PATH descriptor of the folder, for the *at calls and long socket paths
};

// Another user who could plant names here could answer in our windows' place.
void CheckPrivate(int fd, const fs::path& path) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) ThrowFolder("cannot examine the message folder", path);
  if (info.st_uid != ::geteuid() || (info.st_mode & 077) != 0) {
    throw std::runtime_error("the message folder " + path.string() +
                             " must belong to this user and be closed to others (mode 0700)");
  }
}

Folder OpenFolder() {
  struct Cached {
    fs::path path;
    UniqueFd fd;
  };
  static Cached cached;
  const fs::path path = RuntimeFolderPath();
  if (cached.fd.Valid() && cached.path == path) {
    struct stat named {};
    struct stat held {};
    if (::stat(path.c_str(), &named) == 0 && ::fstat(cached.fd.Get(), &held) == 0 &&
        held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
      CheckPrivate(cached.fd.Get(), path);
      return {cached.path, cached.fd.Get()};
    }
  }
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    if (errno != ENOENT) ThrowFolder("cannot create the message folder", path);
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) ThrowFolder("cannot create the message folder", path);
  }
  UniqueFd fd(::open(path.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.Valid()) ThrowFolder("cannot open the message folder", path);
  CheckPrivate(fd.Get(), path);
  cached.path = path;
  cached.fd = std::move(fd);
  return {cached.path, cached.fd.Get()};
}

bool MakeAddress(const Folder& folder, const std::string& name, sockaddr_un& address, socklen_t& length) {
  std::string full = (folder.path / name).string();
  // A deep folder does not fit a socket address; its descriptor's /proc name does.
  if (full.size() >= sizeof address.sun_path) {
    full = "/proc/self/fd/" + std::to_string(folder.fd) + "/" + name;
  }
  if (full.size() >= sizeof address.sun_path) return false;
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, full.c_str(), full.size() + 1);
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + full.size() + 1);
  return true;
}

enum class Probe { Alive, Dead, Unknown };

// Connects to a window's socket; errno tells why it failed.
UniqueFd ConnectTo(const Folder& folder, const std::string& name) {
  sockaddr_un address{};
  socklen_t length = 0;
  if (!MakeAddress(folder, name, address, length)) {
    errno = ENAMETOOLONG;
    return UniqueFd();
  }
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) return fd;
  while (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    if (errno == EINTR) continue;
    return UniqueFd();
  }
  return fd;
}

Probe ProbeName(const Folder& folder, const std::string& name) {
  if (ConnectTo(folder, name).Valid()) return Probe::Alive;
  if (errno == EAGAIN) return Probe::Alive;  // its backlog is full: busy, not gone
  if (errno == ECONNREFUSED || errno == ENOENT || errno == ENOTSOCK) return Probe::Dead;
  return Probe::Unknown;
}

std::optional<std::string> ReadLink(int folderFd, const std::string& name) {
  char target[256];
  const ssize_t n = ::readlinkat(folderFd, name.c_str(), target, sizeof target);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) return std::nullopt;
  return std::string(target, static_cast<std::size_t>(n));
}

// Removes the names that programs which ended without cleaning up have left behind.
void SweepStale(const Folder& folder) {
  UniqueFd listing(::openat(folder.fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!listing.Valid()) return;
  DIR* dir = ::fdopendir(listing.Get());
  if (dir == nullptr) return;
  listing.Release();
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
  ::closedir(dir);
  for (const auto& name : names) {
    if (name.rfind("hwnd-", 0) == 0) {
      if (ProbeName(folder, name) == Probe::Dead) ::unlinkat(folder.fd, name.c_str(), 0);
    } else if (name.rfind("tmp-", 0) == 0) {
      const long pid = std::strtol(name.c_str() + 4, nullptr, 10);
      if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
        ::unlinkat(folder.fd, name.c_str(), 0);
      }
    } else if (name.rfind("class-", 0) == 0) {
      const auto target = ReadLink(folder.fd, name);
      if (target && ProbeName(folder, *target) == Probe::Dead && ReadLink(folder.fd, name) == target) {
        ::unlinkat(folder.fd, name.c_str(), 0);
      }
    }
  }
}

// ---- frames ----

void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put64(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::uint32_t Get32(std::string_view in, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)]);
  return v;
}
std::uint64_t Get64(std::string_view in, std::size_t at) {
  return static_cast<std::uint64_t>(Get32(in, at)) | static_cast<std::uint64_t>(Get32(in, at + 4)) << 32;
}

struct Request {
  std::uint32_t kind = 0;
  WindowMessage message;
};

struct Reply {
  std::uint32_t status = 0;
  std::int64_t result = 0;
  std::string text;
};

std::string EncodeRequest(std::uint32_t kind, std::uint32_t msg, std::uint64_t wParam,
                          std::int64_t lParam, const std::string& text) {
  std::string out(kRequestMagic, 4);
  Put32(out, kind);
  Put32(out, msg);
  Put64(out, wParam);
  Put64(out, static_cast<std::uint64_t>(lParam));
  Put32(out, static_cast<std::uint32_t>(text.size()));
  return out + text;
}

std::string EncodeReply(std::uint32_t status, std::int64_t result, const std::string& text) {
  std::string out(kReplyMagic, 4);
  Put32(out, status);
  Put64(out, static_cast<std::uint64_t>(result));
  Put32(out, static_cast<std::uint32_t>(text.size()));
  return out + text;
}

// A whole reply at the front of the bytes received so far; nullopt while it is incomplete.
std::optional<Reply> DecodeReply(std::string_view in, bool& malformed) {
  malformed = false;
  if (in.size() < kReplyHeader) return std::nullopt;
  const std::uint32_t length = Get32(in, 16);
  if (in.substr(0, 4) != std::string_view(kReplyMagic, 4) || length > kMaxText) {
    malformed = true;
    return std::nullopt;
  }
  if (in.size() < kReplyHeader + length) return std::nullopt;
  return Reply{Get32(in, 4), static_cast<std::int64_t>(Get64(in, 8)),
               std::string(in.substr(kReplyHeader, length))};
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

bool ReadExact(int fd, std::string& out, std::size_t count, Clock::time_point deadline) {
  while (out.size() < count) {
    char buffer[4096];
    const ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, count - out.size()), MSG_DONTWAIT);
    if (n > 0) {
      out.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      return false;
    } else if (errno == EAGAIN || errno == EINTR) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, MillisecondsLeft(deadline)) == 0) return false;
    } else {
      return false;
    }
  }
  return true;
}

bool WriteAll(int fd, std::string_view bytes, Clock::time_point deadline) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, MillisecondsLeft(deadline)) == 0) return false;
    } else {
      return false;
    }
  }
  return true;
}

std::optional<Request> ReadRequest(int fd) {
  const auto deadline = Clock::now() + kRequestTimeLimit;
  std::string header;
  if (!ReadExact(fd, header, kRequestHeader, deadline)) return std::nullopt;
  if (std::string_view(header).substr(0, 4) != std::string_view(kRequestMagic, 4)) return std::nullopt;
  const std::uint32_t length = Get32(header, 28);
  if (length > kMaxText) return std::nullopt;
  std::string text;
  if (!ReadExact(fd, text, length, deadline)) return std::nullopt;
  Request request;
  request.kind = Get32(header, 4);
  request.message.msg = Get32(header, 8);
  request.message.wParam = Get64(header, 12);
  request.message.lParam = static_cast<std::int64_t>(Get64(header, 20));
  request.message.text = std::move(text);
  request.message.posted = request.kind == kPost;
  return request;
}

// Serves one accepted connection of a window. @return whether a request was served
bool ServeConnection(WindowHandle handle, UniqueFd connection) {
  auto request = ReadRequest(connection.Get());
  if (!request) return false;
  WindowState* window = OwnWindow(handle);
  if (window == nullptr) return false;
  const auto deadline = Clock::now() + kRequestTimeLimit;
  switch (request->kind) {
    case kGetText:
      WriteAll(connection.Get(), EncodeReply(0, static_cast<std::int64_t>(window->text.size()), window->text), deadline);
      return true;
    case kGetChild:
      WriteAll(connection.Get(), EncodeReply(0, window->children.empty() ? 0 : window->children.front(), ""), deadline);
      return true;
    case kSend: {
      // The handler may destroy its own window; it runs from a copy that outlives the window.
      const auto handler = window->handler;
      const std::int64_t result = (*handler)(request->message);
      WriteAll(connection.Get(), EncodeReply(0, result, ""), Clock::now() + kRequestTimeLimit);
      return true;
    }
    case kPost: {
      connection.Reset();
      const auto handler = window->handler;
      (*handler)(request->message);
      return true;
    }
    default:
      WriteAll(connection.Get(), EncodeReply(1, 0, ""), deadline);
      return true;
  }
}

// Accepts and serves what is waiting on one window, at most `limit` connections.
int ServeWindow(WindowHandle handle, int limit) {
  int served = 0;
  for (int i = 0; i < limit; ++i) {
    WindowState* window = OwnWindow(handle);
    if (window == nullptr) break;
    const int fd = ::accept4(window->listen.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      break;
    }
    if (ServeConnection(handle, UniqueFd(fd))) ++served;
  }
  return served;
}

// One request to a window and, unless posted, its reply; this program's windows are served while
// it waits.
std::optional<Reply> Transact(WindowHandle handle, std::uint32_t kind, std::uint32_t msg,
                              std::uint64_t wParam, std::int64_t lParam, const std::string& text,
                              std::chrono::milliseconds timeout) {
  if (handle == 0 || handle > kLastHandle || text.size() > kMaxText) return std::nullopt;
  const bool forever = timeout.count() < 0;
  const auto deadline = forever ? Clock::time_point::max() : Clock::now() + timeout;
  Folder folder;
  try {
    folder = OpenFolder();
  } catch (const std::exception&) {
    return std::nullopt;
  }
  UniqueFd connection;
  while (true) {
    connection = ConnectTo(folder, HandleName(handle));
    if (connection.Valid()) break;
    // A full backlog: the window is busy; let our own windows run while it catches up.
    if (errno != EAGAIN || (!forever && Clock::now() >= deadline)) return std::nullopt;
    if (ProcessPendingMessages() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const std::string request = EncodeRequest(kind, msg, wParam, lParam, text);
  if (kind == kPost) {
    if (!WriteAll(connection.Get(), request, Clock::now() + kRequestTimeLimit)) return std::nullopt;
    return Reply{};
  }

  std::size_t written = 0;
  std::string received;
  while (true) {
    std::vector<pollfd> fds;
    fds.push_back({connection.Get(), static_cast<short>(written < request.size() ? POLLOUT : POLLIN), 0});
    const auto own = OwnWindows();
    for (WindowHandle h : own) fds.push_back({OwnWindow(h)->listen.Get(), POLLIN, 0});
    const int wait = forever ? -1 : MillisecondsLeft(deadline);
    const int ready = ::poll(fds.data(), fds.size(), wait);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (ready == 0) return std::nullopt;  // the time ran out
    const short events = fds[0].revents;
    if (written < request.size() && (events & (POLLOUT | POLLERR | POLLHUP))) {
      const ssize_t n = ::send(connection.Get(), request.data() + written, request.size() - written,
                               MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && errno != EAGAIN && errno != EINTR) return std::nullopt;
      if (n > 0) written += static_cast<std::size_t>(n);
    } else if (events & (POLLIN | POLLERR | POLLHUP)) {
      char buffer[4096];
      const ssize_t n = ::recv(connection.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
      if (n == 0) return std::nullopt;  // the window's program closed without answering
      if (n < 0 && errno != EAGAIN && errno != EINTR) return std::nullopt;
      if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
      bool malformed = false;
      if (auto reply = DecodeReply(received, malformed)) return reply;
      if (malformed) return std::nullopt;
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents & POLLIN) ServeWindow(own[i - 1], 16);
    }
  }
}

}  // namespace

// ---- MessageWindow ----

MessageWindow::MessageWindow(MessageHandler handler, const WindowOptions& options)
    : impl_(std::make_unique<Impl>()) {
  const Folder folder = OpenFolder();
  SweepStale(folder);
  impl_->owner = ::getpid();
  impl_->handler = std::make_shared<MessageHandler>(std::move(handler));
  impl_->text = options.text;
  impl_->folder = UniqueFd(::fcntl(folder.fd, F_DUPFD_CLOEXEC, 0));
  if (!impl_->folder.Valid()) ThrowFolder("cannot hold the message folder", folder.path);

  // Listen under a private name first, and only then show the handle, so that nobody finds a
  // window that does not listen yet and takes it for a stale one.
  impl_->listen = UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!impl_->listen.Valid()) ThrowFolder("cannot create a window socket in", folder.path);
  const std::string temp = TempName();
  sockaddr_un address{};
  socklen_t length = 0;
  if (!MakeAddress(folder, temp, address, length)) {
    throw std::runtime_error("the message folder's path is too long: " + folder.path.string());
  }
  if (::bind(impl_->listen.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    ThrowFolder("cannot bind a window socket in", folder.path);
  }
  if (::listen(impl_->listen.Get(), 64) != 0) {
    ::unlinkat(folder.fd, temp.c_str(), 0);
    ThrowFolder("cannot listen on a window socket in", folder.path);
  }
  for (int attempt = 0; attempt < 1000 && impl_->handle == 0; ++attempt) {
    const WindowHandle candidate = kFirstHandle + Random32() % (kLastHandle - kFirstHandle + 1);
    if (Windows().count(candidate) != 0) continue;
    const std::string name = HandleName(candidate);
    // Hard-linking never replaces an existing name, so two programs cannot take one handle.
    if (::linkat(folder.fd, temp.c_str(), folder.fd, name.c_str(), 0) == 0) {
      impl_->handle = candidate;
    } else if (errno != EEXIST) {
      break;
    }
  }
  ::unlinkat(folder.fd, temp.c_str(), 0);
  if (impl_->handle == 0) ThrowFolder("cannot name a window socket in", folder.path);

  Windows()[impl_->handle] = impl_.get();
  if (WindowState* parent = OwnWindow(options.parent)) {
    impl_->parent = options.parent;
    parent->children.push_back(impl_->handle);
  }
  if (!options.className.empty()) RegisterWindowClass(options.className);
}

MessageWindow::~MessageWindow() {
  if (!impl_) return;
  const bool mine = impl_->owner == ::getpid();
  Windows().erase(impl_->handle);
  if (!mine) return;  // a forked child leaves its parent's window alone
  const int folder = impl_->folder.Get();
  const std::string own = HandleName(impl_->handle);
  for (const auto& link : impl_->classLinks) {
    if (ReadLink(folder, link) == own) ::unlinkat(folder, link.c_str(), 0);
  }
  ::unlinkat(folder, own.c_str(), 0);
  if (WindowState* parent = OwnWindow(impl_->parent)) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), impl_->handle), siblings.end());
  }
  for (WindowHandle child : impl_->children) {
    if (WindowState* state = OwnWindow(child)) state->parent = 0;
  }
}

MessageWindow::MessageWindow(MessageWindow&& other) noexcept = default;

MessageWindow& MessageWindow::operator=(MessageWindow&& other) noexcept {
  if (this != &other) {
    MessageWindow old(std::move(*this));
    impl_ = std::move(other.impl_);
  }
  return *this;
}

WindowHandle MessageWindow::Handle() const { return impl_ ? impl_->handle : 0; }

const std::string& MessageWindow::Text() const {
  static const std::string none;
  return impl_ ? impl_->text : none;
}

void MessageWindow::SetText(std::string text) {
  if (impl_) impl_->text = std::move(text);
}

bool MessageWindow::RegisterWindowClass(const std::string& className) {
  if (!impl_ || className.empty()) return false;
  const std::string link = "class-" + ToUtf8(className);
  if (className.find_first_of(std::string_view("/\0", 2)) != std::string::npos || link.size() > 255) {
    return false;
  }
  const int folder = impl_->folder.Get();
  const std::string temp = TempName();
  if (::symlinkat(HandleName(impl_->handle).c_str(), folder, temp.c_str()) != 0) return false;
  if (::renameat(folder, temp.c_str(), folder, link.c_str()) != 0) {
    ::unlinkat(folder, temp.c_str(), 0);
    return false;
  }
  impl_->classLinks.push_back(link);
  return true;
}

// ---- free functions ----

fs::path MessageRuntimeFolder() { return OpenFolder().path; }

std::optional<WindowHandle> FindWindow(const std::string& className) {
  if (className.empty() || className.find('/') != std::string::npos) return std::nullopt;
  Folder folder;
  try {
    folder = OpenFolder();
  } catch (const std::exception&) {
    return std::nullopt;
  }
  const std::string link = "class-" + ToUtf8(className);
  const auto target = ReadLink(folder.fd, link);
  if (!target) return std::nullopt;
  const auto handle = ParseHandleName(*target);
  const Probe probe = handle ? ProbeName(folder, *target) : Probe::Dead;
  if (probe == Probe::Dead) {
    // Left by a program that ended without removing it: nobody of that class is there.
    if (ReadLink(folder.fd, link) == target) ::unlinkat(folder.fd, link.c_str(), 0);
    return std::nullopt;
  }
  return handle;
}

bool IsWindow(WindowHandle window) {
  if (window == 0 || window > kLastHandle) return false;
  try {
    return ProbeName(OpenFolder(), HandleName(window)) == Probe::Alive;
  } catch (const std::exception&) {
    return false;
  }
}

std::optional<std::int64_t> SendMessage(WindowHandle window, std::uint32_t msg, std::uint64_t wParam,
                                        std::int64_t lParam, const std::string& text,
                                        std::chrono::milliseconds timeout) {
  const auto reply = Transact(window, kSend, msg, wParam, lParam, text, timeout);
  if (!reply || reply->status != 0) return std::nullopt;
  return reply->result;
}

bool PostMessage(WindowHandle window, std::uint32_t msg, std::uint64_t wParam, std::int64_t lParam,
                 const std::string& text) {
  return Transact(window, kPost, msg, wParam, lParam, text, std::chrono::seconds(2)).has_value();
}

std::optional<std::string> GetWindowText(WindowHandle window, std::chrono::milliseconds timeout) {
  auto reply = Transact(window, kGetText, 0, 0, 0, {}, timeout);
  if (!reply || reply->status != 0) return std::nullopt;
  return std::move(reply->text);
}

std::optional<WindowHandle> GetFirstChild(WindowHandle window, std::chrono::milliseconds timeout) {
  const auto reply = Transact(window, kGetChild, 0, 0, 0, {}, timeout);
  if (!reply || reply->status != 0 || reply->result < 0 || reply->result > kLastHandle) return std::nullopt;
  return static_cast<WindowHandle>(reply->result);
}

int ProcessPendingMessages() {
  int served = 0;
  for (WindowHandle handle : OwnWindows()) served += ServeWindow(handle, 64);
  return served;
}

int WaitForMessages(std::chrono::milliseconds timeout) {
  const auto own = OwnWindows();
  if (own.empty()) {
    if (timeout.count() > 0) std::this_thread::sleep_for(timeout);
    return 0;
  }
  std::vector<pollfd> fds;
  for (WindowHandle h : own) fds.push_back({OwnWindow(h)->listen.Get(), POLLIN, 0});
  const int wait = timeout.count() < 0 ? -1 : static_cast<int>(std::min<long long>(timeout.count(), 1 << 30));
  int ready;
  while ((ready = ::poll(fds.data(), fds.size(), wait)) < 0 && errno == EINTR) {
  }
  if (ready <= 0) return 0;
  return ProcessPendingMessages();
}

}  // namespace lifto::platform
