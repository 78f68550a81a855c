#pragma once

#include <string>

#include "app/FormaEdicao.h"
#include "app/FormaVersoes.h"

/// The dialogs that live as long as the application beside the main window. Each is shown
/// modally when needed, through the Ui as a DialogRequest of its name; the pieces of the tool
/// that show them give them their content.
/// The entry dialog of the project editor, TFormaEdicao, has its rules in app/FormaEdicao.h, the
/// version list of the update server, TFormaversoes, in app/FormaVersoes.h.
namespace lifto::app {

/// The internet settings ("Conexão Dial-UP").
struct TFormaConexao {
  static constexpr const char* kName = "TFormaConexao";
};

/// The disk-version adjustment dialog ("Ajuste de Versão").
struct TFormaajustaversao {
  static constexpr const char* kName = "TFormaajustaversao";
};

}  // namespace lifto::app
