#pragma once

#include <string>

#include "app/FormaLifto.h"
#include "app/MessageLoop.h"
#include "support/Ui.h"

/// The main window without a window system, for the console front-end and unattended runs.
///
/// The window is shown (FormShow), activated and painted once, and the loop runs its timers until
/// nothing more can happen by itself. Then, while the window waits for a person and its button
/// "&Atualizar" can be pressed, the window itself is offered as the dialog "TFormaLifto" through
/// the Ui, with the fields that a person would set on it:
///   origem   "Disco" or "Internet"
///   caminho  the source folder (C_caminhoOrigem; typing it fills the script list)
///   versao   the script to choose in the list, by its file name (without regard to case)
///   local, rede, windows   "sim" or "nao": the three install options
/// OK presses "&Atualizar"; cancelling closes the window. In the console front-end the answers
/// come from LIFTO_ANSWERS ("TFormaLifto.caminho=F:\UPD,TFormaLifto.versao=X.aex,ok") or from
/// the terminal; with neither, the window is closed, so that a run never waits for input.
/// An automatic run, whose buttons are gone, ends when its work ends or is closed when idle.
/// In edit mode the page C_edicao is offered in the same way, one command at a time (see
/// app/EditPageConsole.h), until a cancel or the last answer closes the window.
namespace lifto::app {

/// Runs the main window until the tool ends; the exit status is left in support::App().
void RunMainWindowInConsole(TFormaLifto& form, MessageLoop& loop);

/// The main window as the dialog "TFormaLifto" (the fields above, as they stand now).
support::DialogRequest MainWindowAsDialog(const TFormaLifto& form);
/// Puts the fields of an answered "TFormaLifto" dialog on the window, in the order a person
/// would: the source, the folder, the script, the options.
void ApplyMainWindowDialog(TFormaLifto& form, const support::DialogRequest& dialog);

/// The status line the console prints: panel 0 of C_status, then labelstatus2 when it has text.
std::string StatusLine(const TFormaLifto& form);

}  // namespace lifto::app
