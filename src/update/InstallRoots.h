#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "update/UpdateContext.h"
#include "update/UpdateSteps.h"

/// The three folders that receive an update's files, behind the placeholders "<PONTO>" (the
/// program's local folder), "<SERVIDOR>" (the server folder) and "<WINDOWS>" (the Windows
/// folder), and the rule that puts them into a path or command. They are read afresh each time:
/// the registry and the aliases may change between runs.
namespace lifto::update {

// RootFolders: the folders behind "<PONTO>", "<SERVIDOR>" and "<WINDOWS>", as the update
// procedure receives them (Windows paths as found, no backslash added).

/// The "Path" value of "\Software\Microsoft\Windows\CurrentVersion\App Paths\" + program file
/// under HKEY_LOCAL_MACHINE. @return empty when the program file is empty or the key or value is
///         missing
std::string AppPathFolder(const std::string& programFile);

/// The install roots of an update, from "PROG" and "ALIAS" of its "[CONFIG]" section. The first
/// one missing shows its three-line message "Atualização cancelada", the reason, "Contacte o
/// suporte da Vornel" (lines separated by a carriage return, kind 2), and cancels the update.
/// @return the roots, or nullopt after the cancel message
std::optional<RootFolders> FindInstallRoots(const std::string& prog, const std::string& alias);

/// The roots that backups and "EXECUTAR" use: "<PONTO>" from the "App Paths" entry of the
/// known program that `programaExe` names (of `programaExe` itself when it names none, as the
/// install step does), "<SERVIDOR>" `pastaServidor`, "<WINDOWS>" the Windows folder. Missing
/// folders are empty.
RootFolders ProgramRoots(const UpdateContext& context);

/// Puts the root of the first placeholder kind the text names into it: when it contains
/// "<PONTO>" (exact case) every "<PONTO>", compared without regard to case, becomes the "<PONTO>"
/// root; otherwise the same for "<SERVIDOR>", otherwise for "<WINDOWS>". A text naming two kinds
/// keeps the second one as it is.
/// @return the text with the root put in, or nullopt when it names no placeholder (a backup
///         entry without one is invalid, a command without one runs as it is: the caller decides)
std::optional<std::string> ReplacePlaceholder(std::string_view text, const RootFolders& roots);

}  // namespace lifto::update
