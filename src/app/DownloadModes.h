#pragma once

/// The source "Internet" of the update procedure: the automatic downloads "/I" (the newest
/// version named by the server's "versao.txt") and "/D" (the version "especif.txt" names for this
/// office), and the interactive download of a version picked in TFormaversoes. A download leaves
/// the script and its archive in the program's updates folder and the marker file naming the
/// script, which the automatic update "/R" then installs.
namespace lifto::app {

class TFormaLifto;

/// bot_atualizarClick with the source "Internet": starts the helper and runs the download the
/// command line asks for. The tool ends with 0 after a completed download; a failure either ends
/// it with 1 or leaves the window open with its controls enabled, and closing it then gives 1.
void DownloadUpdate(TFormaLifto& form);

}  // namespace lifto::app
