#pragma once

#include "app/FormaLifto.h"
#include "support/Ui.h"

/// The edit page without a window system. While the main window shows its page C_edicao, the
/// window is offered as the dialog "TFormaLifto" with these fields:
///   C_clientes  the client choice's text
///   C_projeto   the project's path (shown only; the project is chosen with bot_abreproj)
///   C_script    the selected line of the script: its number (from 0) or its whole text,
///               matched without regard to case (the first such line)
///   comando     what the person does next: a button (bot_novoproj, bot_abreproj,
///               bot_salvarproj, bot_inc, bot_alt, bot_del, SpeedButton1, bot_ajuda, bot_gerar,
///               bot_alvo, bot_sair), an item of the pop-up menu ("Inserir Arquivo", "Alterar
///               Arquivo", "Excluir arquivo"), "C_scriptDblClick" (double click on the selected
///               line) or "Delete" (the Delete key in C_script); names without regard to case
/// OK applies the fields in that order; cancelling closes the window, as bot_sair does.
namespace lifto::app {

/// Whether the window waits on its edit page for a person.
bool EditPageWaits(const TFormaLifto& form);

/// The edit page as the dialog "TFormaLifto", as it stands now ("comando" empty).
support::DialogRequest EditPageAsDialog(const TFormaLifto& form);

/// Puts the answered fields on the page and runs the command. A command that is none of the
/// above is reported (kind 1) and nothing runs.
void ApplyEditPageDialog(TFormaLifto& form, const support::DialogRequest& shown,
                         const support::DialogRequest& answered);

}  // namespace lifto::app
