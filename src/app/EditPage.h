#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Controls.h"
#include "app/FormaEdicao.h"
#include "project/Script.h"

/// The edit page C_edicao of the main window, as plain C++: the client choice, the project field,
/// the script editor C_script with its buttons and pop-up menu, and the handlers that create,
/// open, save and change update projects. The script in memory is C_script.items, one item per
/// line (code page 1252); every change goes through the script operations. projetoAlterado says
/// whether it differs from what was last created, opened or saved.
///
/// What disk generation and the catalogue use: SaveProject (the save of bot_salvarprojClick,
/// reporting whether the project was written), C_script.items, C_projeto, projetoAlterado and
/// C_clientes (its text; its rows are the catalogue's to fill, and a change of its text calls
/// FormaLiftoServices::clientChanged).
namespace lifto::app {

class TFormaLifto;

/// An item of a pop-up menu; a caption "-" is a separator.
struct TMenuItem {
  std::string caption;
  std::function<void()> onClick;
};

class EditPage {
 public:
  /// Key codes that C_scriptKeyDown tells apart.
  static constexpr int kVkDelete = 0x2E;
  static constexpr int kVkReturn = 0x0D;

  /// The file dialogs of the page.
  static constexpr const char* kAbreTitulo = "Selecione o Projeto";
  static constexpr const char* kSalvaTitulo = "Salva o projeto";
  static constexpr const char* kFiltroProjeto = "Atualização de Executáveis|*.aex";  ///< UTF-8
  static constexpr const char* kExtensaoProjeto = "aex";

  explicit EditPage(TFormaLifto& form);
  EditPage(const EditPage&) = delete;
  EditPage& operator=(const EditPage&) = delete;

  /// The entry dialog the page shows; the page's own until the program's is given.
  TFormaEdicao& FormaEdicao() { return *entryDialog_; }
  void UseEntryDialog(TFormaEdicao& dialog) { entryDialog_ = &dialog; }

  // ---- Event handlers ----
  void bot_novoprojClick();
  void bot_abreprojClick();
  void bot_salvarprojClick() { SaveProject(); }
  void bot_incClick();
  void bot_altClick();
  void bot_delClick();
  void SpeedButton1Click();
  void bot_ajudaClick();
  void C_scriptDblClick() { bot_altClick(); }
  /// The Delete key runs bot_delClick.
  void C_scriptKeyDown(int key);
  /// The right button first selects the line under the pointer, as a left click would.
  /// @param itemAtPointer the line under the pointer, -1 when there is none
  void C_scriptMouseDown(bool rightButton, int itemAtPointer);

  // ---- Events a front-end forwards ----
  /// The person selected a line of C_script (-1 none).
  void ChooseLine(int index);
  /// The person typed or picked a client.
  void SetClientText(const std::string& text) { C_clientes.SetText(text); }
  /// The person picked row `row` of the client list: the row's item becomes the text, which the
  /// catalogue takes as that client.
  void PickClient(int row);

  // ---- What the window and disk generation use ----
  /// Saves the project (Algorithm of bot_salvarprojClick): to C_projeto, or, for a project never
  /// saved, RefreshVersion and then the name the person chooses in c_salva (a name without an
  /// extension gets ".aex"). A file that cannot be written is reported naming it; the list,
  /// C_projeto and projetoAlterado then stay as they were and the old file stays whole.
  /// @return true when the project was written
  bool SaveProject();
  /// Opens a project file without asking: C_projeto, the list, projetoAlterado cleared, then
  /// RefreshVersion. A file that cannot be read is reported naming it and changes nothing.
  /// @return true when it was read
  bool LoadProject(const std::string& path);
  /// The help text of bot_ajudaClick, its lines separated by a carriage return alone.
  static std::string HelpText();

  // ---- Controls ----
  TGroupBox GrupoCliente;
  TComboEdit C_clientes;
  TGroupBox GrupoProjeto;
  TEdit C_projeto{projeto_};
  TButton bot_novoproj;
  TButton bot_abreproj;
  TButton bot_salvarproj;
  TGroupBox GrupoScript;
  TListBox C_script;
  TButton bot_inc;
  TButton bot_alt;
  TButton bot_del;
  TButton SpeedButton1;
  TButton bot_ajuda;
  std::vector<TMenuItem> PopupMenu1;

  bool projetoAlterado = false;

 private:
  /// The question before a project is replaced. @return false when the person wanted the
  /// changes saved and they were not (the dialog cancelled or the file not written)
  bool SaveChangesFirst();
  void RefreshVersion();
  void FocusScript();

  TFormaLifto& form_;
  std::string projeto_;
  std::unique_ptr<TFormaEdicao> ownDialog_;
  TFormaEdicao* entryDialog_;
};

}  // namespace lifto::app
