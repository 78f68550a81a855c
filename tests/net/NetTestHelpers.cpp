#include "net/NetTestHelpers.h"

#include <chrono>
#include <cstdlib>
#include <csignal>
#include <fstream>
#include <stdexcept>
#include <thread>

#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "net/HelperMessages.h"
#include "platform/Paths.h"
#include "platform/WindowMessages.h"

namespace lifto::test {
namespace {

namespace fs = std::filesystem;

const fs::path kServers = fs::path(LIFTO_TEST_DATA_DIR).parent_path() / "net" / "servers";

// Makes the folder private (as TempFolder wants it) and gives its path.
std::string PrivateFolder(const fs::path& folder) {
  fs::create_directories(folder);
  ::chmod(folder.c_str(), 0700);
  return folder.string();
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

// A self-signed certificate for 127.0.0.1 in the folder: its path (the CA of the tests) and its key's.
std::pair<fs::path, fs::path> MakeCertificate(const fs::path& folder) {
  const auto cert = folder / "cert.pem";
  const auto key = folder / "key.pem";
  Run("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
      "-addext subjectAltName=IP:127.0.0.1 -keyout " + key.string() + " -out " + cert.string() +
      " >/dev/null 2>&1");
  return {cert, key};
}

// The server's tree: the updates folder with ok.txt.
void MakeUpdatesTree(const TempFolder& root) {
  fs::create_directories(root.Path() / "home/vornel/updates");
  root.Write("home/vornel/updates/ok.txt", "em servico\r\n");
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& argv) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe");
  pid_ = ::fork();
  if (pid_ == 0) {
    ::setpgid(0, 0);
    ::dup2(fds[1], 1);
    ::close(fds[0]);
    ::close(fds[1]);
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  std::string out;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (out.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
    pollfd fd{fds[0], POLLIN, 0};
    if (::poll(&fd, 1, 100) <= 0) continue;
    char buffer[256];
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  if (out.rfind("PORT ", 0) != 0) {
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    throw std::runtime_error("the server " + argv.at(1) + " did not start: " + out);
  }
  port_ = std::stoi(out.substr(5));
}

ServerProcess::~ServerProcess() {
  ::kill(-pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

ServedTree::ServedTree() { MakeUpdatesTree(root_); }

std::filesystem::path ServedTree::MakeCertificate() {
  const auto [cert, key] = test::MakeCertificate(keys_.Path());
  ca_ = cert;
  return key;
}

FtpServer::FtpServer(const Options& options) : tls_(options.tls) {
  std::vector<std::string> argv{"/usr/bin/python3", (kServers / "ftp_server.py").string(), Root().string()};
  if (tls_) {
    const auto key = MakeCertificate();
    argv.insert(argv.end(), {"--tls", ca_.string(), key.string()});
  }
  if (!options.cut.empty()) argv.insert(argv.end(), {"--cut", options.cut});
  if (!options.stall.empty()) argv.insert(argv.end(), {"--stall", options.stall});
  // Beside the certificate, outside the served tree.
  argv.insert(argv.end(), {"--logins", (keys_.Path() / "logins").string()});
  process_.emplace(argv);
}

int FtpServer::Logins() const {
  std::ifstream in(keys_.Path() / "logins");
  int count = 0;
  for (std::string line; std::getline(in, line);) ++count;
  return count;
}

std::string FtpServer::Url() const {
  return std::string(tls_ ? "ftps" : "ftp") + "://127.0.0.1:" + std::to_string(process_->Port());
}

HttpsServer::HttpsServer() {
  const auto key = MakeCertificate();
  process_.emplace(std::vector<std::string>{"/usr/bin/python3", (kServers / "https_server.py").string(),
                                            Root().string(), ca_.string(), key.string()});
}

std::string HttpsServer::Url() const { return "https://127.0.0.1:" + std::to_string(process_->Port()); }

HelperSandbox::HelperSandbox()
    : temp_(home_.Home() / "temp"),
      tempVariable_("TEMP", PrivateFolder(temp_).c_str()),
      tmpVariable_("TMP", nullptr),
      runtimeVariable_("XDG_RUNTIME_DIR", nullptr) {
  const auto system = home_.HostPath("C:\\WINDOWS\\System");
  fs::create_directories(system);
  fs::create_symlink(VornetProgram(), system / "Vornet.exe");
  home_.SetIniValue("Internet", "ConnectTimeout", "5");
  home_.SetIniValue("Internet", "StallTimeout", "3");
  home_.SetIniValue("Internet", "Online", "true");
}

HelperSandbox::~HelperSandbox() {
  // A helper a test left running goes with its sandbox.
  for (int i = 0; i < 50; ++i) {
    const auto helper = platform::FindWindow(net::kHelperClass);
    if (!helper) break;
    platform::SendMessage(*helper, net::kMsgQuit, 0, 0, {}, std::chrono::seconds(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

void HelperSandbox::UseServer(const std::string& url) { home_.SetIniValue("Internet", "Server", url); }

fs::path HelperSandbox::ExchangeFile() const { return temp_ / net::kExchangeFileName; }

fs::path VornetProgram() { return fs::path(LIFTO_BINARY_DIR) / "vornet"; }

}  // namespace lifto::test
