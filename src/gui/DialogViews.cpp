#include "gui/DialogViews.h"

#include <map>
#include <vector>

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/QtText.h"

namespace lifto::gui {
namespace {

std::map<std::string, DialogView>& Views() {
  static std::map<std::string, DialogView> views;
  return views;
}

}  // namespace

void RegisterDialogView(const std::string& name, DialogView view) {
  if (view) {
    Views()[name] = std::move(view);
  } else {
    Views().erase(name);
  }
}

bool ShowDialog(support::DialogRequest& dialog, QWidget* parent) {
  const auto found = Views().find(dialog.name);
  if (found != Views().end()) return found->second(dialog, parent);
  return RunGenericDialog(dialog, parent);
}

bool RunGenericDialog(support::DialogRequest& dialog, QWidget* parent) {
  QDialog window(parent);
  window.setObjectName(ToQt(dialog.name));
  window.setWindowTitle(ToQt(dialog.name));
  auto* form = new QFormLayout;
  std::vector<QLineEdit*> edits;
  for (const auto& [field, value] : dialog.fields) {
    auto* edit = new QLineEdit(ToQt(value));
    edit->setObjectName(ToQt(field));
    form->addRow(ToQt(field), edit);
    edits.push_back(edit);
  }
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QStringLiteral("Cancela"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &window, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
  auto* layout = new QVBoxLayout(&window);
  layout->addLayout(form);
  layout->addWidget(buttons);

  const bool ok = window.exec() == QDialog::Accepted;
  if (ok) {
    for (std::size_t i = 0; i < edits.size(); ++i) dialog.fields[i].second = FromQt(edits[i]->text());
  }
  return ok;
}

}  // namespace lifto::gui
