#include "gui/TFormaajustaversao.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/DialogViews.h"
#include "gui/QtText.h"
#include "platform/Codepage.h"
#include "update/VersionCheck.h"

namespace lifto::gui {

TFormaajustaversao::TFormaajustaversao(QWidget* parent)
    : QDialog(parent), tipos_(new QComboBox), numero_(new QSpinBox), corrige_(new QPushButton) {
  setObjectName(update::kAjustaVersaoDialog);
  const QString caption = ToQt(Ansi("Ajuste de Versão"));
  setWindowTitle(caption);

  auto* title = new QLabel(caption);
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  title->setFont(bold);
  title->setAlignment(Qt::AlignCenter);

  auto* text = new QLabel(ToQt(Ansi("Foi detectado, um problema com a versão do disco.\n"
                                    "Informe o tipo de disco, se é Atualização ou Requerimento, "
                                    "e a quantidade de discos desta operação.")));
  text->setWordWrap(true);

  tipos_->setObjectName(update::kAjustaVersaoTipos);
  tipos_->addItem(ToQt(Ansi("Atualização")));
  tipos_->addItem(ToQt("Requerimento"));
  numero_->setObjectName(update::kAjustaVersaoNumero);
  numero_->setRange(1, update::kMaxDiscos);
  corrige_->setObjectName("SpeedButton1");
  corrige_->setText(ToQt("&Corrige"));
  corrige_->setDefault(true);
  connect(corrige_, &QPushButton::clicked, this, &QDialog::accept);

  auto* controls = new QGridLayout;
  controls->addWidget(new QLabel(ToQt("Tipo de Disco: ")), 0, 0);
  controls->addWidget(tipos_, 0, 1);
  controls->addWidget(new QLabel(ToQt(Ansi("Número de Discos:"))), 1, 0);
  controls->addWidget(numero_, 1, 1);
  controls->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(text);
  layout->addLayout(controls);
  layout->addWidget(corrige_, 0, Qt::AlignRight);
  setMinimumWidth(380);
  adjustSize();

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void TFormaajustaversao::Load(const support::DialogRequest& dialog) {
  const int item = tipos_->findText(ToQt(dialog.Field(update::kAjustaVersaoTipos)));
  tipos_->setCurrentIndex(item < 0 ? 0 : item);
  bool number = false;
  const int count = ToQt(dialog.Field(update::kAjustaVersaoNumero)).trimmed().toInt(&number);
  numero_->setValue(number ? count : 1);  // the box keeps it within 1 to 50
}

void TFormaajustaversao::Store(support::DialogRequest& dialog) const {
  dialog.SetField(update::kAjustaVersaoTipos, FromQt(tipos_->currentText()));
  dialog.SetField(update::kAjustaVersaoNumero, std::to_string(numero_->value()));
}

bool RunAjustaVersao(support::DialogRequest& dialog, QWidget* parent) {
  TFormaajustaversao window(parent);
  window.Load(dialog);
  const bool ok = window.exec() == QDialog::Accepted;
  if (ok) window.Store(dialog);
  return ok;
}

void RegisterAjustaVersaoView() { RegisterDialogView(update::kAjustaVersaoDialog, RunAjustaVersao); }

}  // namespace lifto::gui
