#pragma once

#include <string>

#include "update/UpdateContext.h"

/// The update log "Atualiz.log" in the server folder: one line per installed update, at most 25
/// lines, code page 1252 with CR LF. It lets "/L" and the script list find the last update
/// installed, and bounds how many old updates stay in the updates folder.
namespace lifto::update {

/// The log line of one update, dated by the current clock:
/// "Atualização para versao 6.5.0.12 : F:\KORAMI\UPDATES\X.aex no dia 05/03/2001 às 10:22:31".
std::string UpdateLogLine(const std::string& version, const std::string& scriptPath);

/// The script name of a log line: the text from its 14th character up to the first " no dia ",
/// reduced to its part after the last "\" or ":" ("X.aex"). Every reader of the log uses it.
std::string ScriptNameOfLogLine(const std::string& line);

/// Appends the line of an installed update to folder + "\Atualiz.log" (a log of 25 lines or more
/// starts afresh with the new line), then runs CleanUpdatesFolder. The log is replaced as one
/// step, so that it is never left half-written.
/// @param folder the "<SERVIDOR>" root
/// @throw std::runtime_error naming the log when it cannot be written
void WriteUpdateLog(UpdateContext& context, const std::string& folder,
                    const std::string& scriptPath, const std::string& version);

/// Deletes from `pastaServidor`\UPDATES the scripts (and their first archive volumes) that the
/// log names, except the four that appear latest and are still there. Files the log does not
/// name, and further volumes (".002"...), stay.
void CleanUpdatesFolder(UpdateContext& context);

/// The script name of the log's last line, the log being the one beside the source folder
/// (`C_caminhoOrigem` "F:\KORAMI\updates\" reads "F:\KORAMI\Atualiz.log"); empty when there is
/// no log or it is empty.
std::string LastLoggedScript(const std::string& sourceFolder);
std::string LastLoggedScript(const UpdateContext& context);

}  // namespace lifto::update
