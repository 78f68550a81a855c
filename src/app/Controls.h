#pragma once

#include <functional>
#include <string>
#include <vector>

/// The state of the controls of a window, kept as data: the window's logic changes it and a
/// front-end renders it. Names follow the form designer's (enabled, visible, caption, itemIndex).
/// A control whose value the update steps share (a status text, a check box, the source folder)
/// is bound to that value where it lives, so there is one copy of it. Texts are 1252.
namespace lifto::app {

/// What every control has.
struct TControl {
  bool enabled = true;
  bool visible = true;
  std::string hint;  ///< shown as the control's tool tip
};

/// A label whose caption is kept elsewhere.
struct TLabel : TControl {
  explicit TLabel(std::string& captionState) : caption(captionState) {}
  std::string& caption;
};

/// A panel whose caption is kept elsewhere; left and top matter where the logic places it.
struct TPanel : TControl {
  explicit TPanel(std::string& captionState) : caption(captionState) {}
  std::string& caption;
  int left = 0;
  int top = 0;
};

/// A title bar or a group box with its own caption; disabling a group disables what it holds.
struct TGroupBox : TControl {
  std::string caption;
};

struct TButton : TControl {
  std::string caption;
};

/// A check box whose tick is kept elsewhere.
struct TCheckBox : TControl {
  explicit TCheckBox(bool& checkedState) : checked(checkedState) {}
  std::string caption;
  bool& checked;
};

/// A one-line edit box whose text is kept elsewhere. Setting a different text, by the person or
/// by the program, runs onChange.
class TEdit : public TControl {
 public:
  explicit TEdit(std::string& textState) : text_(textState) {}
  /// The designer's upper-case edit box: every text set, typed or given by the program, is
  /// kept in upper case.
  bool upperCase = false;
  bool readOnly = false;
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  /// Selects the whole text (selStart 0, selLength its length).
  void SelectAll();
  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }

  std::function<void()> onChange;

 private:
  std::string& text_;
  int selStart_ = 0;
  int selLength_ = 0;
};

/// A drop-down list: items and the chosen one (-1 none).
struct TComboBox : TControl {
  std::vector<std::string> items;
  int itemIndex = -1;

  /// The chosen item's text, empty when none is chosen.
  std::string SelectedText() const;
};

/// A combo box whose text may also be typed: items to pick from, and the text itself. Setting a
/// different text runs onChange.
struct TComboEdit : TControl {
  std::vector<std::string> items;
  /// A lookup box's cells of each item, shown as columns of its drop-down list; empty when the
  /// list shows the items as they are.
  std::vector<std::vector<std::string>> columns;
  /// Rows the drop-down list shows at once.
  int dropDownRows = 8;
  bool droppedDown = false;
  std::function<void()> onChange;

  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);

 private:
  std::string text_;
};

/// A list box: its items and the selected one (-1 none). While updateCount is above 0 the
/// front-end does not repaint it (BeginUpdate/EndUpdate).
struct TListBox : TControl {
  std::vector<std::string> items;
  int itemIndex = -1;
  int updateCount = 0;

  /// The selected item's text, empty when none is selected.
  std::string SelectedText() const;
};

/// The status bar; its panel 0 carries the status text, kept elsewhere.
struct TStatusBar : TControl {
  explicit TStatusBar(std::string& panel0State) : panel0(panel0State) {}
  std::string& panel0;
};

/// A progress bar from 0 to 100 whose position is kept elsewhere.
struct TProgressBar : TControl {
  explicit TProgressBar(int& positionState) : position(positionState) {}
  int& position;
  int top = 0;  ///< measured from the top of the status bar that carries it
};

/// A page control: the page shown, by the page's name ("C_atualizacao", "C_edicao").
struct TPageControl : TControl {
  std::string activePage;
};

}  // namespace lifto::app
