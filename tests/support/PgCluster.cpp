#include "support/PgCluster.h"

#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

namespace lifto::test {

namespace fs = std::filesystem;

namespace {

/// The newest installed server's program folder.
std::optional<fs::path> ServerBinaries() {
  std::vector<fs::path> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", error)) {
    if (fs::exists(entry.path() / "bin" / "initdb", error)) found.push_back(entry.path() / "bin");
  }
  if (found.empty()) return std::nullopt;
  std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
    return std::atoi(a.parent_path().filename().c_str()) < std::atoi(b.parent_path().filename().c_str());
  });
  return found.back();
}

int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  if (fd >= 0) ::close(fd);
  if (port == 0) throw PgUnavailable("no free loopback port");
  return port;
}

std::string RandomHex(int bytes) {
  std::random_device random;
  std::ostringstream text;
  for (int i = 0; i < bytes; ++i) text << std::hex << (random() & 0xF) << (random() & 0xF);
  return text.str();
}

void WriteFile(const fs::path& file, const std::string& text, mode_t mode) {
  std::ofstream out(file, std::ios::trunc);
  out << text;
  if (!out) throw PgUnavailable("cannot write " + file.string());
  out.close();
  ::chmod(file.c_str(), mode);
}

std::string LogTail(const fs::path& log) {
  std::ifstream in(log);
  std::ostringstream text;
  text << in.rdbuf();
  const std::string all = text.str();
  return all.size() > 2000 ? all.substr(all.size() - 2000) : all;
}

}  // namespace

PgCluster::PgCluster(bool durable) : durable_(durable) {
  const auto bin = ServerBinaries();
  if (!bin) throw PgUnavailable("PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb)");
  bin_ = *bin;
  uid_ = ::geteuid();
  gid_ = ::getegid();
  if (uid_ == 0) {
    // initdb refuses to run as root: the server runs as the system user the package made.
    const passwd* user = ::getpwnam("postgres");
    if (!user) throw PgUnavailable("running as root and there is no 'postgres' system user");
    uid_ = user->pw_uid;
    gid_ = user->pw_gid;
  }
  char name[] = "/tmp/lifto-pg-XXXXXX";
  if (!::mkdtemp(name)) throw PgUnavailable("cannot make a temporary folder");
  folder_ = name;
  ::chmod(folder_.c_str(), 0711);  // the server user passes through to its own folders
  try {
    for (const char* sub : {"data", "socket"}) {
      fs::create_directory(folder_ / sub);
      ::chmod((folder_ / sub).c_str(), 0700);
      if (::chown((folder_ / sub).c_str(), uid_, gid_) != 0) throw PgUnavailable("chown failed");
    }
    password_ = RandomHex(16);
    const fs::path passwordFile = folder_ / "socket" / "initpw";
    WriteFile(passwordFile, password_ + "\n", 0600);
    if (::chown(passwordFile.c_str(), uid_, gid_) != 0) throw PgUnavailable("chown failed");
    RunAsServerUser({(bin_ / "initdb").string(), "--no-sync", "-D", (folder_ / "data").string(),
                     "-U", User(), "--pwfile=" + passwordFile.string(), "-E", "UTF8",
                     "--locale=C.UTF-8", "--auth-host=scram-sha-256", "--auth-local=trust"},
                    true);
    fs::remove(passwordFile);
    // libpq finds the password here, as it would in a vendor's own password file.
    port_ = FreeLoopbackPort();
    WriteFile(folder_ / "pgpass", "127.0.0.1:" + std::to_string(port_) + ":*:" + User() + ":" +
                                      password_ + "\n", 0600);
    ::setenv("PGPASSFILE", (folder_ / "pgpass").c_str(), 1);
    Start();
    PGconn* conn = PQconnectdb(Conninfo("postgres").c_str());
    PGresult* made = PQexec(conn, ("CREATE DATABASE " + Database()).c_str());
    const bool ok = PQresultStatus(made) == PGRES_COMMAND_OK;
    const std::string message = PQerrorMessage(conn);
    PQclear(made);
    PQfinish(conn);
    if (!ok) throw PgUnavailable("cannot create the test database: " + message);
  } catch (...) {
    if (server_ > 0) Stop();
    std::error_code error;
    fs::remove_all(folder_, error);
    throw;
  }
}

PgCluster::~PgCluster() {
  if (server_ > 0) Stop();
  std::error_code error;
  fs::remove_all(folder_, error);
}

void PgCluster::RunAsServerUser(const std::vector<std::string>& arguments, bool wait) {
  const fs::path log = folder_ / "socket" / "server.log";
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  if (child < 0) throw PgUnavailable("fork failed");
  if (child == 0) {
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0) {
      ::dup2(out, 1);
      ::dup2(out, 2);
    }
    const int in = ::open("/dev/null", O_RDONLY);
    if (in >= 0) ::dup2(in, 0);
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(gid_) != 0 || ::setuid(uid_) != 0)) {
      ::_exit(126);
    }
    // The server must not outlive the test program, whatever ends it (set after the change of
    // user, which clears it).
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (!wait) {
    server_ = child;
    return;
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw PgUnavailable(arguments[0] + " failed: " + LogTail(log));
  }
}

std::string PgCluster::Conninfo(const std::string& database) const {
  return "host=127.0.0.1 port=" + std::to_string(port_) + " user=" + User() + " dbname=" +
         database + " connect_timeout=5 options='-c client_min_messages=warning'";
}

void PgCluster::Start() {
  if (server_ > 0) return;
  std::vector<std::string> arguments{(bin_ / "postgres").string(), "-D", (folder_ / "data").string(),
                                     "-h", "127.0.0.1", "-p", std::to_string(port_), "-k",
                                     (folder_ / "socket").string(), "-c", "max_connections=60"};
  if (!durable_) {
    for (const char* setting : {"fsync=off", "synchronous_commit=off", "full_page_writes=off"}) {
      arguments.insert(arguments.end(), {"-c", setting});
    }
  }
  RunAsServerUser(arguments, false);
  const std::string conninfo = Conninfo("postgres");
  for (int attempt = 0; attempt < 300; ++attempt) {
    if (PQping(conninfo.c_str()) == PQPING_OK) return;
    int status = 0;
    if (::waitpid(server_, &status, WNOHANG) == server_) {
      server_ = -1;
      throw PgUnavailable("the server did not start: " + LogTail(folder_ / "socket" / "server.log"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  Stop();
  throw PgUnavailable("the server did not answer within 30 s");
}

void PgCluster::Stop() {
  if (server_ <= 0) return;
  ::kill(server_, SIGINT);  // fast shutdown: sessions end, the data stays whole
  int status = 0;
  ::waitpid(server_, &status, 0);
  server_ = -1;
}

std::vector<std::string> PgCluster::AliasLines() const {
  return {"DRIVER=POSTGRESQL", "SERVER=127.0.0.1", "PORT=" + std::to_string(port_),
          "DATABASE=" + Database(), "USER=" + User()};
}

void PgCluster::Exec(const std::string& sql) const {
  std::unique_ptr<PGconn, void (*)(PGconn*)> conn(PQconnectdb(Conninfo(Database()).c_str()),
                                                  PQfinish);
  if (PQstatus(conn.get()) != CONNECTION_OK) {
    throw std::runtime_error(std::string("cannot connect to the test cluster: ") +
                             PQerrorMessage(conn.get()));
  }
  std::unique_ptr<PGresult, void (*)(PGresult*)> result(PQexec(conn.get(), sql.c_str()), PQclear);
  const auto status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    throw std::runtime_error("SQL failed: " + std::string(PQerrorMessage(conn.get())) + sql);
  }
}

void PgCluster::Clear() const {
  Exec("DROP SCHEMA public CASCADE; CREATE SCHEMA public;");
}

PgCluster& SharedPgCluster() {
  static std::unique_ptr<PgCluster> cluster;
  static std::string reason;
  if (!cluster && reason.empty()) {
    try {
      cluster = std::make_unique<PgCluster>();
    } catch (const PgUnavailable& e) {
      reason = e.what();
    }
  }
  if (!cluster) throw PgUnavailable(reason);
  return *cluster;
}

}  // namespace lifto::test
