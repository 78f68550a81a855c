#include "gui/TFrmProg.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/QtText.h"
#include "platform/Codepage.h"
#include "support/Application.h"

namespace lifto::gui {

TFrmProg::TFrmProg(const support::ProgressWindowInfo& info)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      lbltabela_(new QLabel(ToQt(info.tableName))),
      lbloperacao_(new QLabel(ToQt(info.operation))),
      lblerro_(new QLabel(ToQt(info.error))),
      barra_(new QProgressBar) {
  setObjectName("TFrmProg");
  setWindowTitle(ToQt(support::App().Title()));
  setAttribute(Qt::WA_ShowWithoutActivating);

  auto* wait = new QLabel(ToQt("Aguarde... Acessando Registro"));
  QFont bold = wait->font();
  bold.setBold(true);
  wait->setFont(bold);
  wait->setAlignment(Qt::AlignCenter);

  lbltabela_->setObjectName("lbltabela");
  lbloperacao_->setObjectName("lbloperacao");
  lblerro_->setObjectName("lblerro");
  lblerro_->setAlignment(Qt::AlignCenter);
  lblerro_->setWordWrap(true);
  barra_->setObjectName("Barra");
  barra_->setRange(0, info.maximum);
  barra_->setValue(0);
  barra_->setTextVisible(false);

  auto* labels = new QGridLayout;
  labels->addWidget(new QLabel(ToQt("Tabela:")), 0, 0);
  labels->addWidget(lbltabela_, 0, 1);
  labels->addWidget(new QLabel(ToQt(Ansi("Operação:"))), 1, 0);
  labels->addWidget(lbloperacao_, 1, 1);
  labels->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(wait);
  layout->addLayout(labels);
  layout->addWidget(lblerro_);
  layout->addWidget(barra_);
  setMinimumWidth(340);
  adjustSize();

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
}

void TFrmProg::SetPosition(int position) { barra_->setValue(position); }

}  // namespace lifto::gui
