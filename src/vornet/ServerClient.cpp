#include "vornet/ServerClient.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <curl/curl.h>

#include "platform/Codepage.h"
#include "platform/UniqueFd.h"
#include "vornet/CurlDriver.h"

namespace lifto::vornet {
namespace {

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

// libcurl's process-wide state, set up once before the first handle.
void EnsureCurlInitialised() {
  static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)done;
}

std::string Escape(CURL* handle, const std::string& text) {
  char* escaped = curl_easy_escape(handle, text.data(), static_cast<int>(text.size()));
  if (escaped == nullptr) return text;
  std::string result(escaped);
  curl_free(escaped);
  return result;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool IsValidUtf8(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    int more = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
    if (more < 0 || i + static_cast<std::size_t>(more) >= text.size()) return false;
    for (int k = 1; k <= more; ++k) {
      if ((static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) return false;
    }
    i += static_cast<std::size_t>(more) + 1;
  }
  return true;
}

// Names on the server are UTF-8; one that is not is taken byte for byte.
std::string NameFromServer(const std::string& name) {
  return IsValidUtf8(name) ? platform::FromUtf8(name) : name;
}

std::vector<std::string> Segments(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

size_t AppendBody(char* data, size_t size, size_t count, void* user) noexcept {
  try {
    static_cast<std::string*>(user)->append(data, size * count);
  } catch (...) {
    return 0;  // out of memory: the request fails
  }
  return size * count;
}

size_t DiscardBody(char*, size_t size, size_t count, void*) noexcept { return size * count; }

constexpr long kReceiveBufferBytes = 256 * 1024;

// libcurl hands the data over in pieces of at most 16 KiB; they are gathered into writes of
// this size, and the written data is handed to the disk in steps of kWritebackStep while the
// transfer goes on, so that the flush before the rename finds little left to write.
constexpr std::size_t kWriteBytes = 256 * 1024;
constexpr curl_off_t kWritebackStep = 8 * 1024 * 1024;

struct DownloadState {
  int fd = -1;
  std::vector<char> pending;  ///< received, not yet written
  curl_off_t received = 0;
  curl_off_t written = 0;
  curl_off_t handedToDisk = 0;
  curl_off_t expected = -1;
  int lastPercent = -1;
  const std::function<void(int)>* progress = nullptr;
};

bool WriteAll(int fd, const char* data, std::size_t size) noexcept {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes what is pending, or a piece too large to gather. @return false on a write error (errno tells)
bool WritePending(DownloadState& state, const char* piece = nullptr, std::size_t pieceSize = 0) noexcept {
  if (!WriteAll(state.fd, state.pending.data(), state.pending.size()) || !WriteAll(state.fd, piece, pieceSize)) {
    return false;
  }
  state.written += static_cast<curl_off_t>(state.pending.size() + pieceSize);
  state.pending.clear();
  if (state.written - state.handedToDisk >= kWritebackStep) {
    // Only starts the writing; a file system that cannot is flushed by fsync at the end.
    ::sync_file_range(state.fd, state.handedToDisk, state.written - state.handedToDisk, SYNC_FILE_RANGE_WRITE);
    state.handedToDisk = state.written;
  }
  return true;
}

// Moves the progress to the received share of the expected size, forward only. Nothing may be
// thrown through libcurl: a failing report ends the transfer instead. @return false then
bool ReportProgress(DownloadState& state) noexcept {
  if (state.expected <= 0 || state.progress == nullptr || !*state.progress) return true;
  const int percent = static_cast<int>(std::min<curl_off_t>(state.received * 100 / state.expected, 100));
  if (percent <= state.lastPercent) return true;
  state.lastPercent = percent;
  try {
    (*state.progress)(percent);
  } catch (...) {
    return false;
  }
  return true;
}

// Reported from here rather than from libcurl's progress calls: those come once per burst of
// reads, which on a fast link is many megabytes.
size_t WriteToFile(char* data, size_t size, size_t count, void* user) noexcept {
  auto* state = static_cast<DownloadState*>(user);
  const size_t total = size * count;
  // The capacity is reserved before the transfer: appending never allocates. A write error
  // ends the transfer.
  if (state->pending.size() + total > state->pending.capacity()) {
    const bool gather = total <= state->pending.capacity();
    if (!WritePending(*state, gather ? nullptr : data, gather ? 0 : total)) return 0;
    if (gather) state->pending.insert(state->pending.end(), data, data + total);
  } else {
    state->pending.insert(state->pending.end(), data, data + total);
  }
  state->received += static_cast<curl_off_t>(total);
  return ReportProgress(*state) ? total : 0;
}

}  // namespace

struct ServerClient::Session {
  CurlHandle handle;
  CurlDriver driver;  ///< holds the connection between requests
  std::string base;  ///< scheme://authority[/prefix], without a trailing "/"
  bool ftp = false;
  bool http = false;
};

ServerClient::ServerClient(ClientOptions options) : options_(std::move(options)) { EnsureCurlInitialised(); }

ServerClient::~ServerClient() = default;

bool ServerClient::Connected() const { return session_ != nullptr; }

void ServerClient::Disconnect() {
  session_.reset();
  cwd_ = "/";
}

bool ServerClient::Connect(const std::string& server, const std::string& user, const std::string& password) {
  Disconnect();
  auto session = std::make_unique<Session>();
  session->handle.reset(curl_easy_init());
  CURL* h = session->handle.get();
  if (h == nullptr) {
    lastError_ = "libcurl could not make a handle";
    return false;
  }
  std::string url = platform::ToUtf8(server);
  const auto schemeEnd = url.find("://");
  std::string scheme = schemeEnd == std::string::npos ? "ftp" : url.substr(0, schemeEnd);
  std::string rest = schemeEnd == std::string::npos ? url : url.substr(schemeEnd + 3);
  for (auto& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  while (!rest.empty() && rest.back() == '/') rest.pop_back();
  if (scheme == "ftps") {
    // Explicit TLS: the ordinary FTP port, then AUTH TLS before the password goes.
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    scheme = "ftp";
  } else if (scheme != "ftp" && scheme != "sftp" && scheme != "https" && scheme != "http") {
    lastError_ = "unsupported server scheme \"" + scheme + "\"";
    return false;
  }
  session->base = scheme + "://" + rest;
  session->ftp = scheme == "ftp";
  session->http = scheme == "https" || scheme == "http";

  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  // Large reads: a download costs fewer system calls and keeps up with the link.
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
  curl_easy_setopt(h, CURLOPT_USERNAME, platform::ToUtf8(user).c_str());
  curl_easy_setopt(h, CURLOPT_PASSWORD, platform::ToUtf8(password).c_str());
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, options_.connectTimeoutSeconds);
  // A server that sends nothing for the stall time ends the request, in a transfer and between
  // the commands of one.
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, options_.stallTimeoutSeconds);
  curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, options_.stallTimeoutSeconds);
  curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
  curl_easy_setopt(h, CURLOPT_FTP_USE_EPSV, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp,sftp,https,http");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  if (!options_.caFile.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, options_.caFile.c_str());
  if (scheme == "sftp") curl_easy_setopt(h, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_PASSWORD));
  session_ = std::move(session);

  // Logging in is reaching the server's root with the account.
  if (session_->http) {
    if (!Perform(Url("/", true), true, nullptr)) {
      long code = 0;
      curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
      // Only an answer that refuses the account is a failed login; a root without a page is not.
      if (code == 0 || code == 401 || code == 403 || code >= 500) {
        Disconnect();
        return false;
      }
    }
    return true;
  }
  if (!ChangeDir("/")) {
    Disconnect();
    return false;
  }
  return true;
}

std::string ServerClient::Resolve(const std::string& remotePath) const {
  if (!remotePath.empty() && remotePath[0] == '/') return remotePath;
  return cwd_ + (cwd_.back() == '/' ? "" : "/") + remotePath;
}

std::string ServerClient::Url(const std::string& remotePath, bool folder) const {
  CURL* h = session_->handle.get();
  std::string path;
  for (const auto& part : Segments(remotePath)) {
    if (!path.empty()) path += '/';
    path += Escape(h, platform::ToUtf8(part));
  }
  // FTP paths in a URL are relative to the login folder; "%2F" starts them at the root.
  if (session_->ftp) return session_->base + "/%2F" + (path.empty() ? "/" : path + (folder ? "/" : ""));
  return session_->base + "/" + path + (folder && !path.empty() ? "/" : "");
}

bool ServerClient::Perform(const std::string& url, bool noBody, std::string* body) {
  CURL* h = session_->handle.get();
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOBODY, noBody ? 1L : 0L);
  if (!noBody && session_->http) curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
  if (body != nullptr) {
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, body);
  } else {
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, DiscardBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
  }
  const CURLcode result = session_->driver.Perform(h);
  if (result != CURLE_OK) lastError_ = url + ": " + curl_easy_strerror(result);
  return result == CURLE_OK;
}

bool ServerClient::ChangeDir(const std::string& path) {
  if (!session_) return false;
  const std::string target = Resolve(path);
  bool exists = false;
  if (session_->ftp) {
    exists = Perform(Url(target, true), true, nullptr);  // CWD into it
  } else {
    // Elsewhere a folder is what can be listed.
    std::string body;
    CURL* h = session_->handle.get();
    curl_easy_setopt(h, CURLOPT_DIRLISTONLY, session_->http ? 0L : 1L);
    exists = Perform(Url(target, true), false, &body);
    curl_easy_setopt(h, CURLOPT_DIRLISTONLY, 0L);
  }
  if (exists) cwd_ = target;
  return exists;
}

std::optional<std::vector<std::string>> ServerClient::List() {
  if (!session_) return std::nullopt;
  CURL* h = session_->handle.get();
  std::string body;
  curl_easy_setopt(h, CURLOPT_DIRLISTONLY, session_->http ? 0L : 1L);
  const bool listed = Perform(Url(cwd_, true), false, &body);
  curl_easy_setopt(h, CURLOPT_DIRLISTONLY, 0L);
  if (!listed) return std::nullopt;
  return ParseListing(body, session_->http);
}

bool ServerClient::Download(const std::string& remotePath, const std::filesystem::path& localFile,
                            const std::function<void(int percent)>& progress) {
  if (!session_) return false;
  CURL* h = session_->handle.get();
  const std::string url = Url(Resolve(remotePath), false);

  // The size first: a missing file fails here, before anything is made locally, and a transfer
  // that ends early is known by it even when the server calls it complete.
  DownloadState state;
  if (!Perform(url, true, nullptr)) return false;
  curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &state.expected);

  std::string temp = (localFile.parent_path() / ("." + localFile.filename().string() + ".part-XXXXXX")).string();
  platform::UniqueFd fd(::mkstemp(temp.data()));
  if (!fd.Valid()) {
    lastError_ = temp + ": " + std::strerror(errno);
    return false;
  }
  struct TempRemoval {
    const std::string& path;
    bool keep = false;
    ~TempRemoval() {
      if (!keep) ::unlink(path.c_str());
    }
  } removal{temp};

  state.fd = fd.Get();
  state.pending.reserve(kWriteBytes);
  state.progress = &progress;
  if (progress) progress(0);
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
  if (session_->http) curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, WriteToFile);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &state);
  const CURLcode result = session_->driver.Perform(h);
  if (result == CURLE_OK && !WritePending(state)) {
    lastError_ = temp + ": " + std::strerror(errno);
    return false;
  }
  if (result != CURLE_OK) {
    lastError_ = url + ": " + curl_easy_strerror(result);
    return false;
  }
  if (state.expected >= 0 && state.written != state.expected) {
    lastError_ = url + ": " + std::to_string(state.written) + " of " + std::to_string(state.expected) +
                 " bytes arrived";
    return false;
  }
  // The file as other new files of the user: the temporary name was made private.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(fd.Get(), 0666 & ~mask) != 0 || ::fsync(fd.Get()) != 0 ||
      ::rename(temp.c_str(), localFile.c_str()) != 0) {
    lastError_ = localFile.string() + ": " + std::strerror(errno);
    return false;
  }
  removal.keep = true;
  if (progress) progress(100);
  return true;
}

std::vector<std::string> ParseListing(const std::string& body, bool html) {
  std::vector<std::string> names;
  auto add = [&names](std::string name) {
    while (!name.empty() && name.back() == '/') name.pop_back();
    if (name.empty() || name == "." || name == "..") return;
    names.push_back(NameFromServer(name));
  };
  if (!html) {
    std::size_t start = 0;
    while (start < body.size()) {
      std::size_t end = body.find('\n', start);
      if (end == std::string::npos) end = body.size();
      std::string line = body.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      // Some servers answer a name listing with paths.
      if (const auto slash = line.rfind('/'); slash != std::string::npos && slash + 1 < line.size()) {
        line = line.substr(slash + 1);
      }
      add(std::move(line));
      start = end + 1;
    }
    return names;
  }
  // An index page: the links that name an entry of the folder itself.
  std::size_t pos = 0;
  while ((pos = body.find("href=\"", pos)) != std::string::npos) {
    pos += 6;
    const std::size_t end = body.find('"', pos);
    if (end == std::string::npos) break;
    const std::string link = body.substr(pos, end - pos);
    pos = end;
    if (link.empty() || link[0] == '?' || link[0] == '/' || link[0] == '#' ||
        link.find("://") != std::string::npos) {
      continue;
    }
    std::string name = Unescape(link);
    if (name.find('/') != std::string::npos && name.find('/') + 1 != name.size()) continue;
    add(std::move(name));
  }
  return names;
}

}  // namespace lifto::vornet
