#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/WindowMessages.h"

/// The tool's side of the link to its internet helper ("Vornet.exe", window class "TFormainet").
/// Each operation looks for the helper's window first; when there is none it shows
/// "O Programa Vornet não está na memoria" (kind 4) and gives its failure value. A request that
/// the helper does not answer (it ended, or it stays silent past the request's time limit) gives
/// the failure value as well. Texts are 1252; no field of a request may hold ";".
namespace lifto::net {

/// Closes any helper already running (hang up, quit), starts WindowsFolder + "\System\Vornet.exe"
/// with priority kind 1 and waits, handling window messages, until its window is there.
/// @return false after "Erro: o módulo <path> não foi carregado" (kind 4) when it could not be
///         started or its window did not appear within kHelperStartSeconds
bool StartHelper();
inline constexpr int kHelperStartSeconds = 30;
/// The helper's program file: WindowsFolder + "\System\Vornet.exe".
std::string HelperProgramPath();

/// Hangs up and quits the helper.
void CloseHelper();
/// @return true when the helper reports an internet connection up
bool IsOnline();
/// The helper's dial-up entries, in its order: the names before each "È" of its first child
/// window's text (at most 4095 characters read); a name after the last "È" is not taken.
std::vector<std::string> ListDialEntries();
/// Dials the first entry equal to the name without regard to case.
/// @return true when the helper dialled it; false, without a message, for a name not listed
bool Dial(const std::string& name);
void HangUp();
/// Logs in to the server. @return true when logged in
bool Connect(const std::string& host, const std::string& user, const std::string& password);
void Disconnect();
/// @return true when the remote folder exists and is now the current one
bool ChangeRemoteDir(const std::string& folder);
/// The names in a remote folder. Names that hold "/", "\", ":" or are "." or ".." are left out,
/// so that no remote name can lead outside the local folder it is downloaded into.
/// @return nullopt after "Diretório não existe: <folder>" (kind 4); an empty list when the
///         helper wrote no listing
std::optional<std::vector<std::string>> ListRemoteDir(const std::string& folder);
/// Downloads a remote file (a path, or a name in the current remote folder) to a local Windows
/// path. The helper moves the progress bar (0 to 100) while it works; the caller sets it back.
/// @param progressBar the window handle of the bar, 0 for none
/// @return true when the file is at the local path
bool DownloadFile(const std::string& remotePath, const std::string& localPath,
                  platform::WindowHandle progressBar);

/// Whether a remote name may become part of a local path.
bool IsSafeRemoteName(const std::string& name);

}  // namespace lifto::net
