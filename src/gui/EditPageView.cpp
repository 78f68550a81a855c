#include "gui/EditPageView.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include "app/EditPage.h"
#include "app/FormaLifto.h"
#include "gui/LookupComboBox.h"
#include "gui/QtText.h"

namespace lifto::gui {
namespace {

QPushButton* MakeButton(QWidget* parent, const char* name) {
  auto* button = new QPushButton(parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

void Show(QWidget* widget, const app::TControl& control) {
  widget->setVisible(control.visible);
  widget->setEnabled(control.enabled);
  const QString hint = ToQt(control.hint);
  if (widget->toolTip() != hint) widget->setToolTip(hint);
}

}  // namespace

EditPageView::EditPageView(app::TFormaLifto& form, Forwarder forward, QWidget* parent)
    : QWidget(parent), form_(form), page_(form.C_edicao), forward_(std::move(forward)) {
  setObjectName("C_edicao");
  BuildWidgets();
  Connect();
  Render();
}

void EditPageView::BuildWidgets() {
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(6, 4, 6, 4);
  root->setSpacing(2);

  auto* cliente = new QGroupBox(ToQt(page_.GrupoCliente.caption), this);
  auto* clienteLayout = new QHBoxLayout(cliente);
  clienteLayout->setContentsMargins(6, 2, 6, 4);
  clientes_ = new LookupComboBox(cliente);
  clientes_->setObjectName("C_clientes");
  clienteLayout->addWidget(clientes_);
  root->addWidget(cliente);

  auto* projeto = new QGroupBox(ToQt(page_.GrupoProjeto.caption), this);
  auto* projetoLayout = new QHBoxLayout(projeto);
  projetoLayout->setContentsMargins(6, 2, 6, 4);
  projeto_ = new QLineEdit(projeto);
  projeto_->setObjectName("C_projeto");
  projeto_->setReadOnly(true);
  novo_ = MakeButton(projeto, "bot_novoproj");
  abre_ = MakeButton(projeto, "bot_abreproj");
  salva_ = MakeButton(projeto, "bot_salvarproj");
  novo_->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
  abre_->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  salva_->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  projetoLayout->addWidget(projeto_, 1);
  for (auto* button : {novo_, abre_, salva_}) projetoLayout->addWidget(button);
  root->addWidget(projeto);

  auto* editor = new QGroupBox(ToQt(page_.GrupoScript.caption), this);
  auto* editorLayout = new QHBoxLayout(editor);
  editorLayout->setContentsMargins(6, 2, 6, 4);
  script_ = new QListWidget(editor);
  script_->setObjectName("C_script");
  script_->setContextMenuPolicy(Qt::CustomContextMenu);
  QFont fixed = script_->font();
  fixed.setFamily("monospace");
  fixed.setStyleHint(QFont::TypeWriter);
  script_->setFont(fixed);
  script_->installEventFilter(this);
  script_->viewport()->installEventFilter(this);
  editorLayout->addWidget(script_, 1);
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(2);
  inc_ = MakeButton(editor, "bot_inc");
  alt_ = MakeButton(editor, "bot_alt");
  del_ = MakeButton(editor, "bot_del");
  atualiza_ = MakeButton(editor, "SpeedButton1");
  ajuda_ = MakeButton(editor, "bot_ajuda");
  // The buttons say what their hints say, so that the column reads without pointing at it.
  for (auto* button : {inc_, alt_, del_, atualiza_, ajuda_}) buttons->addWidget(button);
  buttons->addStretch(1);
  editorLayout->addLayout(buttons);
  root->addWidget(editor, 1);

  popup_ = new QMenu(this);
  popup_->setObjectName("PopupMenu1");
  for (const auto& item : page_.PopupMenu1) {
    if (item.caption == "-") {
      popup_->addSeparator();
      continue;
    }
    QAction* action = popup_->addAction(ToQt(item.caption));
    const auto onClick = item.onClick;
    connect(action, &QAction::triggered, this, [this, onClick] { forward_(onClick); });
  }
}

void EditPageView::Connect() {
  const std::pair<QPushButton*, void (app::EditPage::*)()> handlers[] = {
      {novo_, &app::EditPage::bot_novoprojClick},  {abre_, &app::EditPage::bot_abreprojClick},
      {salva_, &app::EditPage::bot_salvarprojClick}, {inc_, &app::EditPage::bot_incClick},
      {alt_, &app::EditPage::bot_altClick},        {del_, &app::EditPage::bot_delClick},
      {atualiza_, &app::EditPage::SpeedButton1Click}, {ajuda_, &app::EditPage::bot_ajudaClick}};
  for (const auto& [button, handler] : handlers) {
    const auto run = handler;
    connect(button, &QPushButton::clicked, this, [this, run] { forward_([this, run] { (page_.*run)(); }); });
  }
  connect(clientes_, &LookupComboBox::Typed, this, [this](const QString& text) {
    forward_([this, text] { page_.SetClientText(FromQt(text)); });
  });
  connect(clientes_, &LookupComboBox::Picked, this,
          [this](int row) { forward_([this, row] { page_.PickClient(row); }); });
  connect(script_, &QListWidget::currentRowChanged, this,
          [this](int row) { forward_([this, row] { page_.ChooseLine(row); }); });
  connect(script_, &QListWidget::itemDoubleClicked, this,
          [this] { forward_([this] { page_.C_scriptDblClick(); }); });
  connect(script_, &QListWidget::customContextMenuRequested, this, &EditPageView::ShowPopupMenu);
}

bool EditPageView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == script_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete) {
      forward_([this] { page_.C_scriptKeyDown(app::EditPage::kVkDelete); });
      return true;
    }
  }
  if (watched == script_->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::RightButton) {
      const int row = script_->row(script_->itemAt(mouse->position().toPoint()));
      forward_([this, row] { page_.C_scriptMouseDown(true, row); });
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void EditPageView::ShowPopupMenu(const QPoint& position) {
  popup_->popup(script_->viewport()->mapToGlobal(position));
}

void EditPageView::Render() {
  const app::EditPage& p = page_;
  {
    const QSignalBlocker block(clientes_);
    QStringList items;
    for (const auto& item : p.C_clientes.items) items << ToQt(item);
    QList<QStringList> cells;
    for (const auto& row : p.C_clientes.columns) {
      QStringList line;
      for (const auto& cell : row) line << ToQt(cell);
      cells << line;
    }
    clientes_->SetRows(items, cells);
    clientes_->setMaxVisibleItems(p.C_clientes.dropDownRows);
    if (FromQt(clientes_->currentText()) != p.C_clientes.Text()) clientes_->setEditText(ToQt(p.C_clientes.Text()));
  }
  Show(clientes_, p.C_clientes);
  projeto_->setText(ToQt(p.C_projeto.Text()));
  projeto_->setToolTip(ToQt(p.C_projeto.Text()));
  const std::pair<QPushButton*, const app::TButton*> buttons[] = {
      {novo_, &p.bot_novoproj}, {abre_, &p.bot_abreproj},     {salva_, &p.bot_salvarproj},
      {inc_, &p.bot_inc},       {alt_, &p.bot_alt},           {del_, &p.bot_del},
      {atualiza_, &p.SpeedButton1}, {ajuda_, &p.bot_ajuda}};
  for (const auto& [widget, state] : buttons) Show(widget, *state);
  for (auto* button : {inc_, alt_, del_, atualiza_, ajuda_}) button->setText(button->toolTip());

  // The list is not repainted while the page changes it (BeginUpdate).
  if (p.C_script.updateCount == 0) {
    const QSignalBlocker block(script_);
    bool same = script_->count() == static_cast<int>(p.C_script.items.size());
    for (int i = 0; same && i < script_->count(); ++i) {
      same = FromQt(script_->item(i)->text()) == p.C_script.items[static_cast<std::size_t>(i)];
    }
    if (!same) {
      script_->clear();
      for (const auto& line : p.C_script.items) script_->addItem(ToQt(line));
    }
    script_->setCurrentRow(p.C_script.itemIndex);
    if (p.C_script.itemIndex >= 0) script_->scrollToItem(script_->item(p.C_script.itemIndex));
  }
  if (form_.focusRequests != renderedFocusRequests_) {
    renderedFocusRequests_ = form_.focusRequests;
    if (form_.focusedControl == "C_script") script_->setFocus();
  }
}

}  // namespace lifto::gui
