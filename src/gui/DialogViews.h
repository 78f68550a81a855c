#pragma once

#include <functional>
#include <string>

#include "support/Ui.h"

class QWidget;

/// The Qt views of the tool's modal dialogs. A dialog with a view of its own (registered under its
/// class name, "TFormaajustaversao") shows that view; any other shows the generic form: a label and
/// a line edit per field, with "OK" and "Cancela".
namespace lifto::gui {

/// Shows the dialog modally, writes the person's values back into its fields and returns true
/// when it was closed with OK.
using DialogView = std::function<bool(support::DialogRequest& dialog, QWidget* parent)>;

/// Registers (or, with an empty view, removes) the view of a dialog class.
void RegisterDialogView(const std::string& name, DialogView view);

/// Shows the dialog through its registered view or the generic form.
bool ShowDialog(support::DialogRequest& dialog, QWidget* parent);

/// The generic form.
bool RunGenericDialog(support::DialogRequest& dialog, QWidget* parent);

}  // namespace lifto::gui
