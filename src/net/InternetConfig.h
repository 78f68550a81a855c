#pragma once

#include <string>
#include <vector>

/// The site's internet settings in system.ini, read by the tool (which server to log in to) and
/// by the helper (timeouts, certificates, dial-up commands):
///
///   [Internet]
///   Server=ftps://updates.example:2121   ; scheme://host[:port]; a bare host name means ftp://
///   ConnectTimeout=30                    ; seconds to reach the server and log in
///   StallTimeout=60                      ; seconds without a byte or an answer end a request
///   CAFile=/etc/lifto/ca.pem             ; certificates for TLS, else the system's store
///   Online=ping -c 1 -W 2 192.0.2.1      ; exit status 0 means online
///   HangUp=poff provedor                 ; hangs up what an entry of [Dialup] brought up
///   [Dialup]
///   Provedor=pon provedor                ; a dial-up entry: its name and the command that dials
namespace lifto::net {

/// The update server's host name, used when system.ini names none.
inline constexpr const char* kDefaultServerHost = "ftp.vornel.com.br";

struct DialupEntry {
  std::string name;     ///< 1252
  std::string command;  ///< a shell command line, 1252
};

struct InternetConfig {
  std::string server;  ///< [Internet] Server, else kDefaultServerHost
  int connectTimeoutSeconds = 30;
  int stallTimeoutSeconds = 60;
  std::string caFile;         ///< empty: the system's certificate store
  std::string onlineCommand;  ///< empty: online when the host has a default route
  std::string hangUpCommand;
  std::vector<DialupEntry> dialupEntries;  ///< in file order
};

/// Reads the settings from the current environment's system.ini; what is missing keeps its
/// default. A timeout that is not a whole number from 1 to 3600 keeps its default.
/// @throw platform::ConfigError when system.ini is malformed
InternetConfig ReadInternetConfig();

}  // namespace lifto::net
