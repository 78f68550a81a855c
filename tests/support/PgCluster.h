#pragma once

#include <sys/types.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

/// A throw-away PostgreSQL cluster for tests and benchmarks: made with initdb in a fresh
/// temporary folder (as the "postgres" system user when the test runs as root), served on a free
/// loopback port with a private socket folder, and removed when the object goes. Its user has a
/// password, found by libpq in a private password file that PGPASSFILE names for this process and
/// the programs it starts, so that aliases carry no credential. The server is killed should the
/// process that started it die.
namespace lifto::test {

/// Why a cluster cannot be had on this machine (PostgreSQL not installed, initdb failing...).
class PgUnavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PgCluster {
 public:
  /// Makes and starts the cluster with one database, Database().
  /// @param durable whether the server flushes its writes to disk (benchmarks); tests skip it
  /// @throw PgUnavailable with the reason
  explicit PgCluster(bool durable = false);
  ~PgCluster();
  PgCluster(const PgCluster&) = delete;
  PgCluster& operator=(const PgCluster&) = delete;

  int Port() const { return port_; }
  static std::string User() { return "lifto"; }
  static std::string Database() { return "catalogo"; }
  /// The lines of an aliases.ini section for the database (DRIVER, SERVER, PORT, DATABASE, USER).
  std::vector<std::string> AliasLines() const;

  /// Runs SQL (several statements) on the database. @throw std::runtime_error on an SQL error
  void Exec(const std::string& sql) const;
  /// Drops every table of the database, for a fresh start.
  void Clear() const;

  /// Stops the server (a fast shutdown: sessions are ended) and starts it again on the same data.
  void Stop();
  void Start();
  bool Running() const { return server_ > 0; }

 private:
  void RunAsServerUser(const std::vector<std::string>& arguments, bool wait);
  std::string Conninfo(const std::string& database) const;

  std::filesystem::path folder_;
  std::filesystem::path bin_;
  std::string password_;
  bool durable_;
  int port_ = 0;
  pid_t server_ = -1;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};

/// The one cluster that the tests of a program share, started at its first use and removed
/// when the program ends. @throw PgUnavailable, also on every later call, with the reason
PgCluster& SharedPgCluster();

}  // namespace lifto::test
