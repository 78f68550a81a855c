#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "support/SandboxHome.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace lifto::test {

/// A server the tests start on a free loopback port: a program that prints "PORT <n>" on its
/// standard output once it listens. It is killed with its process group when the object goes.
class ServerProcess {
 public:
  /// @throw std::runtime_error when it does not start or report its port within ten seconds
  explicit ServerProcess(const std::vector<std::string>& argv);
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  int Port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

/// The update server's tree for the user vornel: home/vornel/updates with ok.txt, in its own
/// TempFolder, and a folder outside it for the certificate a TLS server makes for 127.0.0.1 (its
/// own CA) and the FTP server's record of logins.
class ServedTree {
 public:
  ServedTree();

  const std::filesystem::path& Root() const { return root_.Path(); }
  std::filesystem::path Updates() const { return Root() / "home/vornel/updates"; }
  /// The certificate of the TLS server (its own CA); empty without TLS.
  const std::filesystem::path& CaFile() const { return ca_; }

 protected:
  /// Makes the certificate; @return its key file
  std::filesystem::path MakeCertificate();

  TempFolder root_;
  TempFolder keys_;
  std::filesystem::path ca_;
  std::optional<ServerProcess> process_;
};

/// The tree served by pyftpdlib (plain or with explicit TLS).
class FtpServer : public ServedTree {
 public:
  struct Options {
    bool tls = false;
    std::string cut;    ///< a file whose transfer ends in the middle, reported complete
    std::string stall;  ///< a file whose transfer stops sending
  };
  FtpServer() : FtpServer(Options{}) {}
  explicit FtpServer(const Options& options);

  /// "ftp://127.0.0.1:<port>" or "ftps://..."
  std::string Url() const;
  /// How many logins the server took so far.
  int Logins() const;

 private:
  bool tls_;
};

/// The same tree served over HTTPS with basic authentication for vornel.
class HttpsServer : public ServedTree {
 public:
  HttpsServer();

  /// "https://127.0.0.1:<port>"
  std::string Url() const;
};

/// A sandbox for the link: LIFTO_HOME with vornet installed as C:\WINDOWS\System\Vornet.exe,
/// a private TEMP (the exchange file) and the window runtime folder in the sandbox, so that
/// tests running at once never meet each other's helper. Closes any helper left at the end.
class HelperSandbox {
 public:
  HelperSandbox();
  ~HelperSandbox();

  SandboxHome& Home() { return home_; }
  /// The server the tool logs in to, and the helper's timeouts.
  void UseServer(const std::string& url);
  /// The exchange file's host path.
  std::filesystem::path ExchangeFile() const;

 private:
  SandboxHome home_;
  std::filesystem::path temp_;
  ScopedVariable tempVariable_;
  ScopedVariable tmpVariable_;
  ScopedVariable runtimeVariable_;
};

/// The vornet program of this build.
std::filesystem::path VornetProgram();

}  // namespace lifto::test
