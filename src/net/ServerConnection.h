#pragma once

#include <functional>
#include <string>

/// Logging in to the update server through the helper, dialling first when the site asks for it,
/// and logging out again. The window that runs the operation keeps the dial-up state and shows
/// the status texts; see TFormaLifto::ConnectToServer.
namespace lifto::net {

/// The server account: the host comes from system.ini [Internet] Server (else the vendor's).
inline constexpr const char* kServerUser = "vornel";
inline constexpr const char* kServerPassword = "trovemi4";
/// The folder whose "ok.txt" says the server is in service.
inline constexpr const char* kUpdatesFolder = "/home/vornel/updates";

/// The dial-up state of the window that runs a connection.
struct DialState {
  const std::string& dialupName;  ///< DialupName
  bool autoDial;                  ///< AutoDial
  bool& dialedHere;               ///< DialedHere: set here, read by DisconnectFromServer
};

/// Shows a status text ("Discando...", "Conectando...") and lets pending window messages run.
using StatusDisplay = std::function<void(const std::string& text)>;

/// Dials when AutoDial is set and the machine is offline, logs in, and checks that the updates
/// folder holds "ok.txt" (in any case). Messages: "Nenhuma conexão dial-up selecionada,
/// configure." (nothing configured to dial), "Tente mais tarde servidor em manutenção pela
/// vornel" (no "ok.txt"; the tool stays logged in and the caller logs out).
/// @return true when logged in and the server is in service
bool ConnectToServer(DialState state, const StatusDisplay& showStatus);
/// Logs out, and hangs up when the tool dialled the connection itself.
void DisconnectFromServer(DialState state);

/// The update server to log in to: system.ini [Internet] Server, else kDefaultServerHost.
std::string UpdateServerHost();

}  // namespace lifto::net
