#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/Controls.h"
#include "support/Ui.h"

/// The entry dialog of the project editor, TFormaEdicao ("Edição de Dados"), as plain C++: one
/// script entry is typed here, for insert (Tag 0) or alter (Tag 1). The editor page fills it,
/// shows it modally and reads its controls back when it was confirmed.
///
/// A front-end shows it in one of two ways. A view of its own (the Qt dialog) is installed with
/// SetModalView and works on the live dialog: it renders the controls and forwards the person's
/// edits and clicks to the handlers until ModalResult() is set. Without such a view the dialog
/// goes through Ui::RunDialog as a request named "TFormaEdicao" whose fields are those of the
/// controls shown (see AsRequest); the answers are put on the controls in the order a person
/// fills them, and the request is shown again while "Erro dados não preenchidos" refuses it.
namespace lifto::app {

class TFormaEdicao {
 public:
  static constexpr const char* kName = "TFormaEdicao";
  /// ModalResult values.
  static constexpr int mrNone = 0;
  static constexpr int mrOk = 1;
  static constexpr int mrCancel = 2;
  /// Width of the value field alone, and narrowed beside bot_abrir (pixels, as the designer's).
  static constexpr int kLarguraDado1 = 330;
  static constexpr int kLarguraDado1Estreita = 298;

  /// Names of the fields of the dialog request (the control names).
  static constexpr const char* kTipo = "c_tipo";
  static constexpr const char* kChave = "c_chave";
  static constexpr const char* kDado1 = "C_dadochave1";
  static constexpr const char* kAlias = "CmbAlias";
  static constexpr const char* kDado2 = "c_dadochave2";
  static constexpr const char* kInclui = "ChkInclui";
  static constexpr const char* kAbrir = "bot_abrir";

  TFormaEdicao();
  TFormaEdicao(const TFormaEdicao&) = delete;
  TFormaEdicao& operator=(const TFormaEdicao&) = delete;

  /// Shows the dialog modally: FormShow, FormActivate, then the person until OK or Cancela.
  /// @return true when it was closed with OK
  bool ShowModal();

  /// A front-end's own view of the dialog: runs it modally on the live dialog (FormShow and
  /// FormActivate have run) and returns when ModalResult() is set. An empty function removes it.
  using ModalView = std::function<void(TFormaEdicao&)>;
  static void SetModalView(ModalView view);

  // ---- Event handlers ----
  void FormShow();
  /// Runs at the first activation of each showing; the activations that follow a message box
  /// closing over the dialog leave what the person typed.
  void FormActivate();
  void c_tipoChange();
  void bot_abrirClick();
  void C_dadochave1Exit();
  /// @param enter whether the key was Enter
  void C_dadochave1KeyDown(bool enter);
  void c_dadochave2KeyDown(bool enter);
  /// Entering or double-clicking c_dadochave2, or double-clicking CmbAlias: drops the list down.
  void c_dadochave2Enter();
  void bot_okClick();
  void bot_canClick();

  // ---- Events a front-end forwards ----
  /// The person chose an item of c_tipo (-1 none): sets it and runs c_tipoChange.
  void ChooseTipo(int itemIndex);

  /// Lays the controls out for the type chosen in c_tipo.
  void ArrangeForType();
  /// Whether the fields are complete for the chosen type; no type chosen is incomplete.
  bool ValidateFields() const;

  /// The chosen type ("PONTO"), empty when none is chosen.
  std::string Tipo() const { return c_tipo.SelectedText(); }
  /// Chooses a type by name; a name that is not one of the five chooses none.
  void SetTipo(const std::string& name);
  /// Fills CmbAlias with the known programs' aliases in table order.
  void FillAliases();

  /// The dialog as a request: the fields of the controls shown (c_tipo, c_chave, C_dadochave1 or
  /// CmbAlias, c_dadochave2, ChkInclui "sim"/"nao", bot_abrir "" — "sim" presses it).
  support::DialogRequest AsRequest() const;
  /// Puts the answered fields that differ from `before` on the controls, in the order a person
  /// fills them (type first, since choosing a type empties the others); fields of hidden or
  /// disabled controls are passed over.
  void ApplyRequest(const support::DialogRequest& before, const support::DialogRequest& answered);

  int ModalResult() const { return modalResult_; }

  // ---- The dialog ----
  std::string caption;
  /// 0 insert, 1 alter.
  int Tag = 0;
  /// The name of the control that has the focus, and how often the logic moved it.
  std::string focusedControl;
  int focusRequests = 0;
  /// C_dialogo lets the person choose several files (insert) or one (alter).
  bool multiSelect = false;
  int larguraDado1 = kLarguraDado1;

  // ---- Controls ----
  TLabel Titulo{caption};
  TComboBox c_tipo;
  TGroupBox c_titulodado;  ///< caption of c_chave
  TEdit c_chave{chave_};
  TGroupBox C_TituloDado1;  ///< caption of C_dadochave1
  TEdit C_dadochave1{dado1_};
  TComboBox CmbAlias;
  TGroupBox C_TituloDado2;  ///< caption of c_dadochave2
  TComboEdit c_dadochave2;
  TButton bot_abrir;
  TCheckBox ChkInclui{inclui_};
  TButton bot_ok;
  TButton bot_can;

 private:
  void SetFocus(const std::string& controlName);
  bool IsFileType() const;
  void RunAsRequests();

  std::string chave_;
  std::string dado1_;
  bool inclui_ = false;
  bool activated_ = false;
  int modalResult_ = mrNone;
};

/// The types of entry, the sections of a script, in c_tipo's order.
const std::vector<std::string>& EntryTypes();

}  // namespace lifto::app
