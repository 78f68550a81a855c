#include "update/RestoreEvents.h"

#include "platform/Codepage.h"
#include "support/Ui.h"
#include "support/Utilities.h"

namespace lifto::update {
namespace {

// The part of a restored file's path after its last "\" (the status bar shows only the name).
std::string NameOfPath(const std::string& path) {
  const auto cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(cut + 1);
}

}  // namespace

void RestoreEvents::C_backProgress(const std::string& Filename, int Percent, bool& /*Continue*/) {
  UpdateContext& context = window_.Context();
  context.statusBar = NameOfPath(Filename);
  context.labelstatus2 = "Descompactando arquivo " + Filename;
  context.c_barra = Percent;
  support::CurrentUi().Repaint();
}

void RestoreEvents::C_backError(std::int32_t /*Error*/, const std::string& ErrString) {
  support::ShowKindMessage("Erro do Sistema: " + ErrString, 4);
  window_.Context().erroAtualizacao = true;
}

void RestoreEvents::C_backRestoreFile(std::string& /*Filename*/, std::int32_t /*FA*/,
                                      bool& /*DoRestore*/) {}

void RestoreEvents::C_backNeedDisk(std::uint16_t DiskID, bool& Continue) {
  support::CurrentUi().SetBusy(false);
  Continue = support::AskConfirmation("Insira o Disco " + std::to_string(DiskID),
                                      Ansi("Confirmação"), 2);
  if (Continue) {
    window_.CountDiskConfirmed();
    support::CurrentUi().SetBusy(true);
  }
  window_.Context().erroAtualizacao = !Continue;
}

void RestoreEvents::VolumeRefused() { window_.Context().erroAtualizacao = true; }

}  // namespace lifto::update
