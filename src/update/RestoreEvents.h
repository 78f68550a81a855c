#pragma once

#include <cstdint>
#include <string>

#include "update/UpdateWindow.h"

/// The main window's handlers of the archive component's events while an update archive is
/// restored: progress into the status texts and the bar, errors and declined disks into
/// `erroAtualizacao`, which the update procedure looks at after the restore.
namespace lifto::update {

class RestoreEvents {
 public:
  /// @param window must outlive the handlers
  explicit RestoreEvents(UpdateWindow& window) : window_(window) {}

  /// Status bar: the file name part of Filename; `labelstatus2` "Descompactando arquivo " +
  /// Filename; `c_barra` the percentage. Continue is left as it is.
  void C_backProgress(const std::string& Filename, int Percent, bool& Continue);
  /// Shows "Erro do Sistema: " + ErrString (kind 4) and sets `erroAtualizacao`.
  void C_backError(std::int32_t Error, const std::string& ErrString);
  /// Every entry is restored under its own name: nothing changes.
  void C_backRestoreFile(std::string& Filename, std::int32_t FA, bool& DoRestore);
  /// Asks "Insira o Disco " + DiskID (OK or Cancela); Continue becomes the answer and
  /// `erroAtualizacao` its opposite. The component asks for each further volume this way even
  /// when the volume already lies beside the first.
  void C_backNeedDisk(std::uint16_t DiskID, bool& Continue);
  /// A volume refused for its signature (the refusal already shown): sets `erroAtualizacao`.
  void VolumeRefused();

 private:
  UpdateWindow& window_;
};

}  // namespace lifto::update
