#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "e2e/UpdateOfficeHelpers.h"
#include "net/NetTestHelpers.h"
#include "support/ScopedVariable.h"

/// The sample office of UpdateOfficeHelpers.h with what a download needs: our helper installed as
/// C:\WINDOWS\System\Vornet.exe, the tool itself as C:\WINDOWS\SYSTEM\atualizar.exe, the office
/// table F:\KORAMI\DADOS\INDECR.DBF, and the loopback FTP server of the helper's tests, whose
/// folder KORAMI holds an update set X (version 6.6) made with the real `atu`.
namespace lifto::test {

class DownloadOffice {
 public:
  explicit DownloadOffice(const FtpServer::Options& server = {});

  Office& office() { return office_; }
  FtpServer& server() { return server_; }
  /// The program's folder on the server.
  std::filesystem::path ServerFolder() const { return server_.Updates() / "KORAMI"; }
  /// Writes a file into the server's updates area (a path below home/vornel/updates).
  void Serve(const std::string& relative, const std::string& content) const;
  /// Writes INDECR.DBF with one record (office, city, state).
  void WriteOfficeTable(const std::string& office, const std::string& city, const std::string& state);

  /// The files of the set X and where "/R" installs them.
  const std::vector<UpdateFile>& Files() const { return files_; }

 private:
  ScopedVariable runtime_{"XDG_RUNTIME_DIR", nullptr};
  Office office_;
  FtpServer server_;
  std::vector<UpdateFile> files_;
};

}  // namespace lifto::test
