#include "net/ServerConnection.h"

#include "net/HelperLink.h"
#include "net/InternetConfig.h"
#include "platform/Codepage.h"
#include "platform/TextCase.h"
#include "support/Utilities.h"

namespace lifto::net {

std::string UpdateServerHost() { return ReadInternetConfig().server; }

bool ConnectToServer(DialState state, const StatusDisplay& showStatus) {
  state.dialedHere = false;
  if (state.autoDial) {
    showStatus("Discando...");
    if (!IsOnline()) {
      if (support::RemoveBlanks(state.dialupName).empty()) {
        support::ShowKindMessage(Ansi("Nenhuma conexão dial-up selecionada, configure."), 4);
        return false;
      }
      // A failed dial does not stop the attempt: the connection may be up by other means.
      state.dialedHere = Dial(state.dialupName);
    }
  }
  showStatus("Conectando...");
  if (Connect(UpdateServerHost(), kServerUser, kServerPassword)) {
    const auto names = ListRemoteDir(kUpdatesFolder);
    if (names) {
      for (const auto& name : *names) {
        if (platform::EqualsNoCase(name, "ok.txt")) return true;
      }
    }
    // A missing folder was reported by the listing itself.
    if (names) support::ShowKindMessage(Ansi("Tente mais tarde servidor em manutenção pela vornel"), 2);
    return false;
  }
  if (state.dialedHere) HangUp();
  return false;
}

void DisconnectFromServer(DialState state) {
  Disconnect();
  if (state.dialedHere) HangUp();
}

}  // namespace lifto::net
