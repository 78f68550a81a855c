#pragma once

#include <string>

/// The dialogs that live as long as the application beside the main window. Each is shown
/// modally when needed, through the Ui as a DialogRequest of its name; the pieces of the tool
/// that show them give them their content.
namespace lifto::app {

/// The entry dialog of the project editor.
struct TFormaEdicao {
  static constexpr const char* kName = "TFormaEdicao";
};

/// The version list of the update server.
struct TFormaversoes {
  static constexpr const char* kName = "TFormaversoes";
};

/// The internet settings ("Conexão Dial-UP").
struct TFormaConexao {
  static constexpr const char* kName = "TFormaConexao";
};

/// The disk-version adjustment dialog ("Ajuste de Versão").
struct TFormaajustaversao {
  static constexpr const char* kName = "TFormaajustaversao";
};

}  // namespace lifto::app
