#pragma once

#include <string>
#include <vector>

#include "project/Script.h"
#include "support/TabelaRede.h"

/// The vendor's catalogue of generated update sets: the clients ("Escr"), one row per generated set
/// ("DISCOS") and one row per script entry of a set ("ARQUIVOS"), all in the alias "ALIAS_VORN".
/// The tables belong to the vendor's databases; the tool only opens them, searches the clients
/// and appends rows.
namespace lifto::project {

inline constexpr const char* kCatalogueAlias = "ALIAS_VORN";

/// The three table components of the edit-mode window, each a TTabelaRede retrying for 5 s.
class CatalogueTables {
 public:
  CatalogueTables();

  /// Opens TabArquivos, TabDiscos and TabEscr, in this order.
  /// @throw platform::db::EDBEngineError for a missing alias or table (what is open stays open)
  void Open();
  /// Closes them in the same order.
  void Close();
  bool IsOpen() const { return TabArquivos.Active() && TabDiscos.Active() && TabEscr.Active(); }

  support::TTabelaRede TabArquivos;
  support::TTabelaRede TabDiscos;
  support::TTabelaRede TabEscr;
};

/// The client choice C_clientes: a lookup box over "Escr" showing "ABREV" and "ESCRITORIO",
/// searching through the index "IABREV", whose table follows the choice.
class ClientChoice {
 public:
  /// Rows of the drop-down list.
  static constexpr int kLinhasNaLista = 7;

  /// @param table TabEscr; must outlive the choice
  explicit ClientChoice(support::TTabelaRede& table) : table_(table) {}

  /// The person typed a text: the table moves to the first client found through "IABREV" for it
  /// (to the first row when none is found), and TextoExiste says whether that client's "ABREV"
  /// begins with the text, without regard to case. A closed table leaves TextoExiste false.
  void SetText(const std::string& text);
  /// The person picked row `index` of the drop-down list: its "ABREV" becomes the text.
  void Pick(int index);

  const std::string& Text() const { return text_; }
  bool TextoExiste() const { return textoExiste_; }
  /// The drop-down list in "IABREV" order: each row's "ABREV" and "ESCRITORIO".
  std::vector<std::pair<std::string, std::string>> Items();

 private:
  support::TTabelaRede& table_;
  std::string text_;
  bool textoExiste_ = false;
};

/// What a generated set is recorded with.
struct GeneratedSet {
  std::string projectPath;  ///< the project as shown in the project field; read from disk
  const ScriptLines* script = nullptr;  ///< the script in memory ("DESCRICAO", "PROG", "ALIAS")
  int discosGerados = 0;
};

/// Records a generated set for the chosen client: one "DISCOS" row (read back for its "CONTROLE")
/// and one "ARQUIVOS" row per entry of "[PONTO]", "[SERVIDOR]", "[WINDOWS]" and "[BACKUP]" of the
/// project file. Nothing is recorded when no client is chosen (text empty without blanks, or
/// TextoExiste false) or the "DISCOS" row cannot be appended.
/// @return true when a set was recorded
/// @throw platform::db::EAbort when a post still failed after the table's retries (the person
///        has been told; rows posted before stay)
bool RecordCatalogue(CatalogueTables& tables, const ClientChoice& client, const GeneratedSet& set);

}  // namespace lifto::project
