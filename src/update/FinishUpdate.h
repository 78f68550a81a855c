#pragma once

#include "update/UpdateContext.h"

/// The end of an installed update: the calling program is told, the user is told or the fresh
/// copy of the tool takes over, and the script's follow-up command runs.
namespace lifto::update {

/// The window message that tells the program that started the update ("/NV") it is done: the
/// first user message number plus 2.
inline constexpr unsigned kUpdateDoneMessage = 0x0400 + 2;

/// Sends kUpdateDoneMessage (first parameter 1, second 0) to the window named after "/NV" and
/// waits until it has been handled. Then shows "Atualização do Sistema Realizada com Sucesso!"
/// (kind 2), or, when the tool itself was installed (`autoAtualizacao`), starts its fresh copy in
/// the private temporary folder with "/C /" + the old executable's path, which copies itself over
/// the old one and shows the success message.
/// @throw std::runtime_error when the handle after "/NV" is not a whole number
void FinishUpdate(UpdateContext& context);

/// Runs the script's "EXECUTAR" command through the shell, without waiting, when the network
/// files were installed (`C_rede`): the command in upper case with its placeholder replaced (the
/// roots of ProgramRoots), the program up to the first "/", the parameters from that "/" on, the
/// program's folder as working folder. ‘<PONTO>\MORBA.EXE /I’ with the local folder ‘C:\MORBA’
/// starts ‘C:\MORBA\MORBA.EXE’ with ‘/I’ in ‘C:\MORBA\’.
void RunAfterUpdate(UpdateContext& context);

}  // namespace lifto::update
