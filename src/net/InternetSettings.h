#pragma once

#include <string>

/// The per-computer dial-up settings under HKEY_LOCAL_MACHINE "\Software\Vornel\Internet":
/// "Dialup" (text, the connection to dial) and "AcessoDiscado" (Boolean, dial before logging in).
namespace lifto::net {

inline constexpr const char* kInternetKey = "\\Software\\Vornel\\Internet";

struct InternetSettings {
  std::string dialupName;  ///< DialupName
  bool autoDial = true;    ///< AutoDial
};

/// Reads both values; when either is missing or of another kind, the name is empty and automatic
/// dialling is on.
InternetSettings ReadInternetSettings();
/// Writes both values, creating the key when missing; failures are ignored (the next read shows
/// what was stored).
void WriteInternetSettings(const InternetSettings& settings);

}  // namespace lifto::net
