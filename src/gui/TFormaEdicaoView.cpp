#include "gui/TFormaEdicaoView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/FormaEdicao.h"
#include "gui/QtText.h"
#include "support/Transcript.h"

namespace lifto::gui {
namespace {

// The dialog's buttons take no focus, as the designer's speed buttons: pressing one does not
// leave the field being typed (which would run C_dadochave1Exit first).
QPushButton* MakeButton(QWidget* parent, const char* name) {
  auto* button = new QPushButton(parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

void Show(QWidget* widget, const app::TControl& control) {
  widget->setVisible(control.visible);
  widget->setEnabled(control.enabled);
  const QString hint = ToQt(control.hint);
  if (widget->toolTip() != hint) widget->setToolTip(hint);
}

// A typed text as the logic keeps it (upper case), without moving the cursor.
void SetEditText(QLineEdit* edit, const std::string& text) {
  const QString q = ToQt(text);
  if (edit->text() == q) return;
  const int cursor = edit->cursorPosition();
  edit->setText(q);
  edit->setCursorPosition(std::min(cursor, static_cast<int>(q.size())));
}

void SetItems(QComboBox* combo, const std::vector<std::string>& items) {
  QStringList wanted;
  for (const auto& item : items) wanted << ToQt(item);
  QStringList current;
  for (int i = 0; i < combo->count(); ++i) current << combo->itemText(i);
  if (current == wanted) return;
  combo->clear();
  combo->addItems(wanted);
}

}  // namespace

TFormaEdicaoView::TFormaEdicaoView(app::TFormaEdicao& dialog, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), dialog_(dialog) {
  setObjectName(app::TFormaEdicao::kName);
  setModal(true);
  BuildWidgets();
  Connect();
  Render();
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void TFormaEdicaoView::BuildWidgets() {
  setWindowTitle(ToQt(dialog_.caption));
  titulo_ = new QLabel(ToQt(dialog_.caption), this);
  titulo_->setObjectName("Titulo");
  titulo_->setFocusPolicy(Qt::StrongFocus);
  QFont bold = titulo_->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  titulo_->setFont(bold);
  tipo_ = new QComboBox(this);
  tipo_->setObjectName("c_tipo");
  auto* top = new QHBoxLayout;
  top->addWidget(titulo_, 1);
  top->addWidget(tipo_);

  auto* grid = new QGridLayout;
  tituloChave_ = new QLabel(this);
  tituloChave_->setObjectName("c_titulodado");
  chave_ = new QLineEdit(this);
  chave_->setObjectName("c_chave");
  grid->addWidget(tituloChave_, 0, 0);
  grid->addWidget(chave_, 0, 1);

  tituloDado1_ = new QLabel(this);
  tituloDado1_->setObjectName("C_TituloDado1");
  dado1_ = new QLineEdit(this);
  dado1_->setObjectName("C_dadochave1");
  dado1_->installEventFilter(this);
  alias_ = new QComboBox(this);
  alias_->setObjectName("CmbAlias");
  alias_->installEventFilter(this);
  abrir_ = MakeButton(this, "bot_abrir");
  abrir_->setText("...");
  abrir_->setFixedWidth(abrir_->fontMetrics().horizontalAdvance("...") + 20);
  auto* valor = new QHBoxLayout;
  valor->addWidget(dado1_, 1);
  valor->addWidget(alias_, 1);
  valor->addWidget(abrir_);
  grid->addWidget(tituloDado1_, 1, 0);
  grid->addLayout(valor, 1, 1);

  tituloDado2_ = new QLabel(this);
  tituloDado2_->setObjectName("C_TituloDado2");
  dado2_ = new QComboBox(this);
  dado2_->setObjectName("c_dadochave2");
  dado2_->setEditable(true);
  dado2_->setInsertPolicy(QComboBox::NoInsert);
  dado2_->lineEdit()->installEventFilter(this);
  grid->addWidget(tituloDado2_, 2, 0);
  grid->addWidget(dado2_, 2, 1);
  grid->setColumnStretch(1, 1);

  inclui_ = new QCheckBox(this);
  inclui_->setObjectName("ChkInclui");
  ok_ = MakeButton(this, "bot_ok");
  can_ = MakeButton(this, "bot_can");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(inclui_);
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(can_);

  auto* root = new QVBoxLayout(this);
  root->addLayout(top);
  root->addLayout(grid);
  root->addLayout(buttons);
  root->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormaEdicaoView::Connect() {
  connect(tipo_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Forward([this, index] { dialog_.ChooseTipo(index); }); });
  connect(chave_, &QLineEdit::textEdited, this,
          [this](const QString& text) { Forward([this, text] { dialog_.c_chave.SetText(FromQt(text)); }); });
  connect(dado1_, &QLineEdit::textEdited, this, [this](const QString& text) {
    Forward([this, text] { dialog_.C_dadochave1.SetText(FromQt(text)); });
  });
  connect(dado1_, &QLineEdit::returnPressed, this, [this] { Forward([this] { dialog_.C_dadochave1KeyDown(true); }); });
  connect(alias_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Forward([this, index] { dialog_.CmbAlias.itemIndex = index; }); });
  connect(dado2_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    Forward([this, text] { dialog_.c_dadochave2.SetText(FromQt(text)); });
  });
  connect(dado2_->lineEdit(), &QLineEdit::returnPressed, this,
          [this] { Forward([this] { dialog_.c_dadochave2KeyDown(true); }); });
  connect(inclui_, &QCheckBox::toggled, this, [this](bool on) { Forward([this, on] { dialog_.ChkInclui.checked = on; }); });
  connect(abrir_, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.bot_abrirClick(); }); });
  connect(ok_, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.bot_okClick(); }); });
  connect(can_, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.bot_canClick(); }); });
}

void TFormaEdicaoView::reject() {
  // Escape is "Cancela".
  Forward([this] { dialog_.bot_canClick(); });
}

bool TFormaEdicaoView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == dado1_ && event->type() == QEvent::FocusOut) {
    // Leaving the field for another control of the dialog, not for another window.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible() &&
        dialog_.ModalResult() == app::TFormaEdicao::mrNone) {
      QMetaObject::invokeMethod(this, [this] { Forward([this] { dialog_.C_dadochave1Exit(); }); },
                                Qt::QueuedConnection);
    }
  }
  if (watched == dado2_->lineEdit() && (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonDblClick)) {
    QMetaObject::invokeMethod(this, [this] { Forward([this] { dialog_.c_dadochave2Enter(); }); },
                              Qt::QueuedConnection);
  }
  if (watched == alias_ && event->type() == QEvent::MouseButtonDblClick) {
    Forward([this] { dialog_.c_dadochave2Enter(); });
  }
  return QDialog::eventFilter(watched, event);
}

void TFormaEdicaoView::Forward(const std::function<void()>& handler) {
  handler();
  Render();
}

void TFormaEdicaoView::Render() {
  app::TFormaEdicao& d = dialog_;
  {
    const QSignalBlocker block(tipo_);
    SetItems(tipo_, d.c_tipo.items);
    tipo_->setCurrentIndex(d.c_tipo.itemIndex);
    Show(tipo_, d.c_tipo);
  }
  tituloChave_->setText(ToQt(d.c_titulodado.caption));
  Show(tituloChave_, d.c_titulodado);
  Show(chave_, d.c_chave);
  SetEditText(chave_, d.c_chave.Text());
  tituloDado1_->setText(ToQt(d.C_TituloDado1.caption));
  Show(tituloDado1_, d.C_TituloDado1);
  Show(dado1_, d.C_dadochave1);
  SetEditText(dado1_, d.C_dadochave1.Text());
  // The value field keeps the designer's width, narrowed beside bot_abrir.
  dado1_->setMinimumWidth(d.larguraDado1);
  alias_->setMinimumWidth(d.larguraDado1);
  {
    const QSignalBlocker block(alias_);
    SetItems(alias_, d.CmbAlias.items);
    alias_->setCurrentIndex(d.CmbAlias.itemIndex);
    Show(alias_, d.CmbAlias);
  }
  Show(abrir_, d.bot_abrir);
  tituloDado2_->setText(ToQt(d.C_TituloDado2.caption));
  Show(tituloDado2_, d.C_TituloDado2);
  {
    const QSignalBlocker block(dado2_);
    SetItems(dado2_, d.c_dadochave2.items);
    if (FromQt(dado2_->currentText()) != d.c_dadochave2.Text()) dado2_->setEditText(ToQt(d.c_dadochave2.Text()));
    Show(dado2_, d.c_dadochave2);
  }
  {
    const QSignalBlocker block(inclui_);
    inclui_->setText(ToQt(d.ChkInclui.caption));
    inclui_->setChecked(d.ChkInclui.checked);
    Show(inclui_, d.ChkInclui);
  }
  ok_->setText(ToQt(d.bot_ok.caption));
  Show(ok_, d.bot_ok);
  can_->setText(ToQt(d.bot_can.caption));
  Show(can_, d.bot_can);

  if (d.focusRequests != renderedFocusRequests_) {
    renderedFocusRequests_ = d.focusRequests;
    const std::pair<const char*, QWidget*> targets[] = {
        {"c_tipo", tipo_}, {"c_chave", chave_}, {"C_dadochave1", dado1_}, {"Titulo", titulo_}};
    for (const auto& [name, widget] : targets) {
      if (d.focusedControl == name) widget->setFocus();
    }
  }
  if (d.c_dadochave2.droppedDown) {
    d.c_dadochave2.droppedDown = false;
    if (dado2_->isVisible()) dado2_->showPopup();
  }
  if (d.ModalResult() == app::TFormaEdicao::mrOk) QDialog::accept();
  if (d.ModalResult() == app::TFormaEdicao::mrCancel) QDialog::reject();
}

void RegisterFormaEdicaoView() {
  app::TFormaEdicao::SetModalView([](app::TFormaEdicao& dialog) {
    {
      TFormaEdicaoView view(dialog, QApplication::activeWindow());
      if (dialog.ModalResult() == app::TFormaEdicao::mrNone) view.exec();
    }
    support::transcript::RecordDialog(dialog.AsRequest(), dialog.ModalResult() == app::TFormaEdicao::mrOk);
  });
}

}  // namespace lifto::gui
