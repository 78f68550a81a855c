#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

/// The files of a download run: each remote file is fetched into the temporary download folder
/// and recorded as ‘local ; target’ in DownloadRecords; InstallDownloadedFiles then moves or
/// copies them into the program's updates folder. A file that did not arrive whole never reaches
/// the updates folder: the helper renames a download into place only when it is complete, and
/// the move or copy into the updates folder replaces its target in one step.
namespace lifto::update {

/// The temporary download folder: TempFolder + "\vorndown".
std::string DownloadFolder();

/// Whether a file name that the server gave (a line of "versao.txt" or "especif.txt", a listing)
/// may name a script to download: a plain name ending in ".aex", without a path separator,
/// a drive colon or "..", so that neither it nor its archive can land outside the updates folder.
bool IsDownloadableScriptName(const std::string& name);

/// A remote script path with every ".aex" replaced by ".ATU", without regard to case.
std::string ArchiveOfRemoteScript(const std::string& remotePath);

/// Fetches one remote file to a local Windows path. @return true when it is there whole
using FileDownloader = std::function<bool(const std::string& remotePath, const std::string& localPath)>;

/// DownloadUpdateFile: the target is the program's updates folder (created when missing) + the
/// remote path's name; the file is fetched to DownloadFolder() + that name, and the record
/// ‘local ; target’ is added to `records` whether or not the download succeeded.
/// @return false when the download failed or the remote path names no known program
bool DownloadUpdateFile(const std::string& remotePath, std::vector<std::string>& records,
                        const FileDownloader& download);

/// The local file and the target of a record.
std::string RecordLocal(const std::string& record);
std::string RecordTarget(const std::string& record);

/// Shows a step of the copy ("Copiando Arquivo <local>").
using CopyProgress = std::function<void(const std::string& text)>;

/// InstallDownloadedFiles: copies each recorded file onto its target (replacing it), in order,
/// then deletes the temporary download folder; a file whose target does not exist yet is moved. A copy that fails is reported (kind 4, naming both
/// files), the copies already made in this run are removed again so that the updates folder never
/// holds a script without its archive, and the rest is not copied.
/// @return true when every file was copied
bool InstallDownloadedFiles(const std::vector<std::string>& records, const CopyProgress& progress);

}  // namespace lifto::update
