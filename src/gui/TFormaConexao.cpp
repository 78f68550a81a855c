#include "gui/TFormaConexao.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Dialogs.h"
#include "app/FormaConexao.h"
#include "gui/DialogViews.h"
#include "gui/QtText.h"
#include "platform/Codepage.h"

namespace lifto::gui {

TFormaConexao::TFormaConexao(QWidget* parent)
    : QDialog(parent), conexoes_(new QComboBox), discagem_(new QCheckBox), ok_(new QPushButton), sair_(new QPushButton) {
  setObjectName(app::TFormaConexao::kName);
  setWindowTitle(ToQt(Ansi("Conexão Dial-UP")));

  auto* title = new QLabel(ToQt(Ansi("Configuração Internet")));
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  title->setFont(bold);
  title->setAlignment(Qt::AlignCenter);

  conexoes_->setObjectName(app::conexao::kConexoes);
  conexoes_->setEditable(false);  // a choice only
  auto* label = new QLabel(ToQt(Ansi("Conexões")));
  label->setBuddy(conexoes_);
  discagem_->setObjectName(app::conexao::kDiscagem);
  discagem_->setText(ToQt(Ansi("Não usar &discagem Automática")));

  ok_->setObjectName("bot_ok");
  ok_->setText(ToQt("&OK"));
  ok_->setToolTip(ToQt(Ansi("Confirma Configurações")));
  ok_->setDefault(true);
  sair_->setObjectName("bot_sair");
  sair_->setText(ToQt("&Sair"));
  sair_->setToolTip(ToQt(Ansi("Fechar o Módulo")));
  connect(ok_, &QPushButton::clicked, this, &TFormaConexao::bot_okClick);
  connect(sair_, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(sair_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(label);
  layout->addWidget(conexoes_);
  layout->addWidget(discagem_);
  layout->addLayout(buttons);
  setMinimumWidth(320);
}

void TFormaConexao::Load(const support::DialogRequest& dialog) {
  request_ = dialog;
  conexoes_->clear();
  for (const auto& name : app::conexao::Items(dialog)) conexoes_->addItem(ToQt(name));
  const auto selected = app::conexao::SelectedConnection(dialog);
  conexoes_->setCurrentIndex(selected ? conexoes_->findText(ToQt(*selected)) : -1);
  discagem_->setChecked(app::conexao::DiscagemChecked(dialog));
}

void TFormaConexao::Store(support::DialogRequest& dialog) const {
  dialog.SetField(app::conexao::kConexoes, conexoes_->currentIndex() < 0 ? "" : FromQt(conexoes_->currentText()));
  dialog.SetField(app::conexao::kDiscagem, discagem_->isChecked() ? "sim" : "nao");
}

void TFormaConexao::bot_okClick() {
  Store(request_);
  if (app::conexao::bot_okClick(request_)) {
    accept();
  } else {
    conexoes_->setFocus();
  }
}

bool RunFormaConexao(support::DialogRequest& dialog, QWidget* parent) {
  TFormaConexao window(parent);
  window.Load(dialog);
  const bool ok = window.exec() == QDialog::Accepted;
  if (ok) window.Store(dialog);
  return ok;
}

void RegisterFormaConexaoView() { RegisterDialogView(app::TFormaConexao::kName, RunFormaConexao); }

}  // namespace lifto::gui
