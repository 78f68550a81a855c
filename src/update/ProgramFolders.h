#pragma once

#include <optional>
#include <string>

#include "update/UpdateContext.h"

/// The folders and files derived from a program's install roots: its updates folder, the marker
/// file, the backup folder and the update log (the folder disks are copied into is
/// DiskCopyFolder, beside the copy). Windows paths,
/// without a trailing backslash; found afresh on every call.
namespace lifto::update {

/// The updates folder of the known program that FindKnownProgram finds for the name (automatic
/// modes, downloads): for a row of kind code "V" the folder holding its alias's folder +
/// "\updates"; for another kind the "Path" value of its "App Paths" entry + "\updates". A missing
/// alias or entry leaves the folder part empty ("\updates"), where nothing is found.
/// @return nullopt when no row of the known-programs table matches the name
std::optional<std::string> KnownProgramUpdatesFolder(const std::string& programName);

/// The marker file "atualiza.ok" of that program: the folder holding its alias's folder +
/// "\updates\atualiza.ok".
/// @return nullopt when no row matches; empty when the alias does not exist (there is no
///         folder to write it in)
std::optional<std::string> KnownProgramMarkerPath(const std::string& programName);

/// The backup folder: `pastaServidor` + "\updates\BACKUP" for a Windows program, the
/// "<PONTO>" root + "\updates\BACKUP" otherwise.
std::string BackupFolder(const UpdateContext& context, const std::string& pontoRoot);

/// The update log of a server folder: + "\Atualiz.log".
std::string UpdateLogPath(const std::string& serverFolder);

}  // namespace lifto::update
