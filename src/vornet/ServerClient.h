#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

/// The helper's client of the update server, on libcurl. The protocol follows the scheme of the
/// server named at login: "ftp://" (also a bare host name), "ftps://" (FTP with explicit TLS,
/// AUTH TLS on the ordinary port), "sftp://" and "https://". One handle is kept from login to
/// logout, so that its connection serves the requests that follow. Remote paths are absolute
/// ("/home/vornel/updates") or relative to the current remote folder; texts are 1252 and travel
/// as UTF-8 on the server.
namespace lifto::vornet {

struct ClientOptions {
  long connectTimeoutSeconds = 30;  ///< to reach the server and log in
  long stallTimeoutSeconds = 60;    ///< without a byte or an answer, a request ends
  std::string caFile;               ///< host path of the certificates for TLS; empty: the system's
};

class ServerClient {
 public:
  explicit ServerClient(ClientOptions options);
  ~ServerClient();
  ServerClient(const ServerClient&) = delete;
  ServerClient& operator=(const ServerClient&) = delete;

  /// Logs in, replacing an earlier session. @return true when the server took the account
  bool Connect(const std::string& server, const std::string& user, const std::string& password);
  void Disconnect();
  bool Connected() const;

  /// Makes an existing remote folder the current one. @return false when it does not exist
  bool ChangeDir(const std::string& path);
  /// The names in the current remote folder (without "." and ".."); nullopt when it failed.
  std::optional<std::vector<std::string>> List();
  /// Downloads into a temporary file beside the local file and renames it into place only when
  /// the whole file arrived; nothing is left at or beside the local path otherwise.
  /// @param progress called with 0 to 100 as the transfer goes on
  bool Download(const std::string& remotePath, const std::filesystem::path& localFile,
                const std::function<void(int percent)>& progress);

  /// What the last failed request met, for the helper's error output.
  const std::string& LastError() const { return lastError_; }

 private:
  struct Session;
  std::string Url(const std::string& remotePath, bool folder) const;
  std::string Resolve(const std::string& remotePath) const;
  bool Perform(const std::string& url, bool noBody, std::string* body);

  ClientOptions options_;
  std::unique_ptr<Session> session_;
  std::string cwd_ = "/";
  std::string lastError_;
};

/// The names of a server's folder listing: lines for FTP and SFTP, the links of an index page
/// for HTTPS. Exposed for tests.
std::vector<std::string> ParseListing(const std::string& body, bool html);

}  // namespace lifto::vornet
