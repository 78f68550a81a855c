#pragma once

#include <cstdint>

/// The window messages between the tool and its internet helper, and the names both sides use.
/// The tool finds the helper by the class of its top-level window and sends it one request at a
/// time; a request that carries text writes it first as one CR LF line into the exchange file
/// (TempFolder + "\messa.tmp"), fields separated by ";". All messages have lParam 0.
namespace lifto::net {

inline constexpr const char* kHelperClass = "TFormainet";
inline constexpr const char* kExchangeFileName = "messa.tmp";

inline constexpr std::uint32_t kWmUser = 1024;
/// wParam: 0-based index into the dial-up entries. Result 0 = dialled.
inline constexpr std::uint32_t kMsgDial = kWmUser + 1;
/// Publishes the dial-up entries as the first child window's text, each name followed by "È".
inline constexpr std::uint32_t kMsgListDialEntries = kWmUser + 2;
inline constexpr std::uint32_t kMsgHangUp = kWmUser + 3;
inline constexpr std::uint32_t kMsgQuit = kWmUser + 4;
/// Result 1 = an internet connection is up.
inline constexpr std::uint32_t kMsgIsOnline = kWmUser + 5;
/// Exchange file: host;user;password. Result 1 = logged in.
inline constexpr std::uint32_t kMsgConnect = kWmUser + 6;
inline constexpr std::uint32_t kMsgDisconnect = kWmUser + 7;
/// Exchange file: the remote folder. Result 1 = it exists and is now the current one.
inline constexpr std::uint32_t kMsgChangeDir = kWmUser + 8;
/// The helper writes the current remote folder's names into the exchange file, one per line.
/// Result 1 = listing written.
inline constexpr std::uint32_t kMsgListDir = kWmUser + 11;
/// Exchange file: remote path;local path. wParam: a progress bar's window handle, or 0.
/// Result 1 = the file is at the local path.
inline constexpr std::uint32_t kMsgDownload = kWmUser + 12;

/// What the helper sends a progress bar while it downloads: the bar's "set position" message,
/// wParam the position from 0 to 100.
inline constexpr std::uint32_t kProgressSetPosition = kWmUser + 2;

/// The dial-up entry separator "È" (code 200 in code page 1252).
inline constexpr char kDialEntrySeparator = '\xC8';

}  // namespace lifto::net
