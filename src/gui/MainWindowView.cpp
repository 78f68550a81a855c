#include "gui/MainWindowView.h"

#include <algorithm>
#include <chrono>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/FormaLifto.h"
#include "app/MessageLoop.h"
#include "gui/EditPageView.h"
#include "gui/GuiUi.h"
#include "gui/QtText.h"
#include "platform/Codepage.h"
#include "support/Application.h"

namespace lifto::gui {
namespace {

// The designed width; a window whose texts need more grows wider.
constexpr int kLargura = 470;

void Show(QWidget* widget, const app::TControl& control) {
  widget->setVisible(control.visible);
  widget->setEnabled(control.enabled);
}

void SetText(QLabel* label, const std::string& text) {
  const QString q = ToQt(text);
  if (label->text() != q) label->setText(q);
}

void SetItems(QComboBox* combo, const app::TComboBox& state) {
  const QSignalBlocker block(combo);
  QStringList items;
  for (const auto& item : state.items) items << ToQt(item);
  QStringList current;
  for (int i = 0; i < combo->count(); ++i) current << combo->itemText(i);
  if (current != items) {
    combo->clear();
    combo->addItems(items);
  }
  combo->setCurrentIndex(state.itemIndex);
}

}  // namespace

MainWindowView::MainWindowView(app::TFormaLifto& form, app::MessageLoop& loop, QWidget* parent)
    : QWidget(parent), form_(form), loop_(loop) {
  setObjectName("FormaLifto");
  BuildWidgets();
  Connect();
  pump_.setSingleShot(true);
  connect(&pump_, &QTimer::timeout, this, &MainWindowView::Pump);
  loop_.SetScheduleChanged([this] { Schedule(); });
  loop_.SetAfterProcessing([this] { Render(); });
  Render();
}

MainWindowView::~MainWindowView() {
  loop_.SetScheduleChanged({});
  loop_.SetAfterProcessing({});
}

void MainWindowView::BuildWidgets() {
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);

  titulo1_ = new QFrame(this);
  titulo1_->setObjectName("Titulo1");
  titulo1_->setFrameShape(QFrame::StyledPanel);
  titulo1_->setStyleSheet("#Titulo1 { background: #000080; } #Titulo1 QLabel { color: white; }");
  auto* tituloLayout = new QHBoxLayout(titulo1_);
  tituloTexto_ = new QLabel(titulo1_);
  tituloTexto_->setObjectName("Titulo1Caption");
  QFont tituloFont = tituloTexto_->font();
  tituloFont.setBold(true);
  tituloTexto_->setFont(tituloFont);
  tituloLayout->addWidget(tituloTexto_, 1);
  auto makeButton = [this](QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
  };
  botAtualizar_ = makeButton(titulo1_, "bot_atualizar");
  botConfinet_ = makeButton(titulo1_, "bot_confinet");
  botConfinet_->setToolTip("Configurar Internet");
  botGerar_ = makeButton(titulo1_, "bot_gerar");
  botAlvo_ = makeButton(titulo1_, "bot_alvo");
  botAlvo_->setToolTip(ToQt(Ansi("Local da Geração dos Discos")));
  botSair_ = makeButton(titulo1_, "bot_sair");
  for (auto* b : {botAtualizar_, botConfinet_, botGerar_, botAlvo_, botSair_}) tituloLayout->addWidget(b);
  root->addWidget(titulo1_);

  cPag_ = new QStackedWidget(this);
  cPag_->setObjectName("C_pag");
  cAtualizacao_ = new QWidget(cPag_);
  cAtualizacao_->setObjectName("C_atualizacao");
  // Margins as tight as the edit page's, so that the page fits the heights the modes give it.
  auto* page = new QGridLayout(cAtualizacao_);
  page->setContentsMargins(6, 4, 6, 4);
  page->setVerticalSpacing(2);
  page->addWidget(new QLabel("Origem de Dados:", cAtualizacao_), 0, 0);
  cOrigemDados_ = new QComboBox(cAtualizacao_);
  cOrigemDados_->setObjectName("C_origemDados");
  page->addWidget(cOrigemDados_, 0, 1);
  cDados_ = new QGroupBox(cAtualizacao_);
  cDados_->setObjectName("C_dados");
  auto* dados = new QHBoxLayout(cDados_);
  dados->setContentsMargins(6, 2, 6, 4);
  cCaminhoOrigem_ = new QLineEdit(cDados_);
  cCaminhoOrigem_->setObjectName("C_caminhoOrigem");
  botProcurar_ = makeButton(cDados_, "bot_procurar");
  botProcurar_->setText("...");
  dados->addWidget(cCaminhoOrigem_, 1);
  dados->addWidget(botProcurar_);
  page->addWidget(cDados_, 1, 0, 1, 2);
  cVersao_ = new QComboBox(cAtualizacao_);
  cVersao_->setObjectName("c_versao");
  page->addWidget(cVersao_, 2, 0, 1, 2);
  cOpcoes_ = new QGroupBox(cAtualizacao_);
  cOpcoes_->setObjectName("C_opcoes");
  auto* opcoes = new QHBoxLayout(cOpcoes_);
  opcoes->setContentsMargins(6, 2, 6, 4);
  cLocal_ = new QCheckBox(cOpcoes_);
  cLocal_->setObjectName("C_local");
  cRede_ = new QCheckBox(cOpcoes_);
  cRede_->setObjectName("C_rede");
  cWindows_ = new QCheckBox(cOpcoes_);
  cWindows_->setObjectName("C_windows");
  for (auto* c : {cLocal_, cRede_, cWindows_}) opcoes->addWidget(c);
  page->addWidget(cOpcoes_, 3, 0, 1, 2);
  page->setRowStretch(4, 1);
  cPag_->addWidget(cAtualizacao_);
  cEdicao_ = new EditPageView(form_, [this](const std::function<void()>& handler) { Forward(handler); }, cPag_);
  cPag_->addWidget(cEdicao_);
  root->addWidget(cPag_, 1);

  cStatus_ = new QStatusBar(this);
  cStatus_->setObjectName("C_status");
  cStatus_->setSizeGripEnabled(false);
  statusPanel0_ = new QLabel(cStatus_);
  cStatus_->addWidget(statusPanel0_, 1);
  cBarra_ = new QProgressBar(cStatus_);
  cBarra_->setObjectName("c_barra");
  cBarra_->setRange(0, 100);
  cBarra_->setTextVisible(false);
  cBarra_->setMaximumWidth(160);
  cStatus_->addPermanentWidget(cBarra_);
  root->addWidget(cStatus_);

  // The large black panel lies over the option controls, outside the layout.
  panelStatus_ = new QFrame(this);
  panelStatus_->setObjectName("Panelstatus");
  panelStatus_->setStyleSheet("#Panelstatus { background: black; } #Panelstatus QLabel { color: white; }");
  auto* panel = new QVBoxLayout(panelStatus_);
  panelCaption_ = new QLabel(panelStatus_);
  panelCaption_->setObjectName("PanelstatusCaption");
  panelCaption_->setAlignment(Qt::AlignCenter);
  panelCaption_->setWordWrap(true);
  lblTitulo_ = new QLabel(panelStatus_);
  lblTitulo_->setObjectName("LblTitulo");
  QFont big = lblTitulo_->font();
  big.setPointSize(big.pointSize() + 4);
  big.setBold(true);
  lblTitulo_->setFont(big);
  labelStatus_ = new QLabel(panelStatus_);
  labelStatus_->setObjectName("labelstatus");
  labelStatus2_ = new QLabel(panelStatus_);
  labelStatus2_->setObjectName("labelstatus2");
  // Status texts name files and folders: they wrap rather than run off the panel.
  for (auto* label : {labelStatus_, labelStatus2_}) label->setWordWrap(true);
  panel->addWidget(lblTitulo_);
  panel->addWidget(labelStatus_);
  panel->addWidget(labelStatus2_);
  // The panel's own caption, centred in the space below its labels, as a panel draws it.
  panel->addWidget(panelCaption_, 1);
  panelStatus_->hide();
}

void MainWindowView::Connect() {
  connect(botSair_, &QPushButton::clicked, this, [this] { Forward([this] { form_.bot_sairClick(); }); });
  connect(botAtualizar_, &QPushButton::clicked, this,
          [this] { Forward([this] { form_.bot_atualizarClick(); }); });
  connect(botConfinet_, &QPushButton::clicked, this,
          [this] { Forward([this] { form_.bot_confinetClick(); }); });
  connect(botGerar_, &QPushButton::clicked, this, [this] { Forward([this] { form_.bot_gerarClick(); }); });
  connect(botAlvo_, &QPushButton::clicked, this, [this] { Forward([this] { form_.bot_alvoClick(); }); });
  connect(botProcurar_, &QPushButton::clicked, this,
          [this] { Forward([this] { form_.bot_procurarClick(); }); });
  connect(cOrigemDados_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Forward([this, index] { form_.ChooseOrigemDados(index); }); });
  connect(cCaminhoOrigem_, &QLineEdit::textEdited, this, [this](const QString& text) {
    Forward([this, text] { form_.C_caminhoOrigem.SetText(FromQt(text)); });
  });
  connect(cVersao_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Forward([this, index] { form_.c_versao.itemIndex = index; }); });
  connect(cLocal_, &QCheckBox::toggled, this,
          [this](bool on) { Forward([this, on] { form_.C_local.checked = on; }); });
  connect(cRede_, &QCheckBox::toggled, this,
          [this](bool on) { Forward([this, on] { form_.C_rede.checked = on; }); });
  connect(cWindows_, &QCheckBox::toggled, this,
          [this](bool on) { Forward([this, on] { form_.C_windows.checked = on; }); });
}

void MainWindowView::Render() {
  const app::TFormaLifto& f = form_;
  setWindowTitle(ToQt(f.caption));
  setEnabled(f.enabled);

  Show(titulo1_, f.Titulo1);
  SetText(tituloTexto_, f.Titulo1.caption);
  const std::pair<QPushButton*, const app::TButton*> buttons[] = {
      {botSair_, &f.bot_sair},   {botAtualizar_, &f.bot_atualizar}, {botGerar_, &f.bot_gerar},
      {botAlvo_, &f.bot_alvo},   {botConfinet_, &f.bot_confinet},   {botProcurar_, &f.bot_procurar}};
  for (const auto& [widget, state] : buttons) {
    Show(widget, *state);
    if (widget != botProcurar_) widget->setText(ToQt(state->caption));
  }

  QWidget* const shownPage = f.C_pag.activePage == "C_edicao" ? cEdicao_ : cAtualizacao_;
  cPag_->setCurrentWidget(shownPage);
  // Only the page shown asks for room; the other would stretch the window in its own mode.
  for (QWidget* page : {cAtualizacao_, cEdicao_}) {
    const auto policy = page == shownPage ? QSizePolicy::Preferred : QSizePolicy::Ignored;
    page->setSizePolicy(policy, policy);
  }
  if (auto* page = qobject_cast<EditPageView*>(cEdicao_)) page->Render();
  Show(cOrigemDados_, f.C_origemDados);
  SetItems(cOrigemDados_, f.C_origemDados);
  Show(cDados_, f.C_dados);
  cDados_->setTitle(ToQt(f.C_dados.caption));
  Show(cCaminhoOrigem_, f.C_caminhoOrigem);
  if (FromQt(cCaminhoOrigem_->text()) != f.C_caminhoOrigem.Text()) {
    cCaminhoOrigem_->setText(ToQt(f.C_caminhoOrigem.Text()));
  }
  Show(cVersao_, f.c_versao);
  SetItems(cVersao_, f.c_versao);
  Show(cOpcoes_, f.C_opcoes);
  cOpcoes_->setTitle(ToQt(f.C_opcoes.caption));
  const std::pair<QCheckBox*, const app::TCheckBox*> boxes[] = {
      {cLocal_, &f.C_local}, {cRede_, &f.C_rede}, {cWindows_, &f.C_windows}};
  for (const auto& [widget, state] : boxes) {
    const QSignalBlocker block(widget);
    Show(widget, *state);
    widget->setText(ToQt(state->caption));
    widget->setChecked(state->checked);
  }

  SetText(lblTitulo_, f.LblTitulo.caption);
  SetText(panelCaption_, f.Panelstatus.caption);
  SetText(labelStatus_, f.labelstatus.caption);
  SetText(labelStatus2_, f.labelstatus2.caption);
  SetText(statusPanel0_, f.C_status.panel0);
  cBarra_->setValue(std::clamp(f.c_barra.position, 0, 100));
  FitWindow();

  // Focus and selection follow the form when it moves them, not on every repaint.
  if (f.focusRequests != renderedFocusRequests_) {
    renderedFocusRequests_ = f.focusRequests;
    if (f.focusedControl == "C_caminhoOrigem") {
      cCaminhoOrigem_->setFocus();
      cCaminhoOrigem_->setSelection(f.C_caminhoOrigem.SelStart(), f.C_caminhoOrigem.SelLength());
    }
  }
}

void MainWindowView::FitWindow() {
  const app::TFormaLifto& f = form_;
  // The height is the form's own (the modes lay the window out by it); a larger font may need
  // more, and the width follows what the texts need.
  if (QLayout* root = layout()) root->activate();
  const QSize least = minimumSizeHint();
  setFixedSize(std::max(kLargura, least.width()), std::max(f.height, least.height()));

  panelStatus_->setVisible(f.Panelstatus.visible);
  if (!f.Panelstatus.visible) return;
  const int top = titulo1_->isVisible() ? titulo1_->sizeHint().height() : 0;
  panelStatus_->setGeometry(f.Panelstatus.left, top + f.Panelstatus.top, width() - 2 * f.Panelstatus.left,
                            std::max(0, height() - top - f.Panelstatus.top - cStatus_->sizeHint().height() - 2));
  panelStatus_->raise();
}

void MainWindowView::Schedule() {
  if (ending_) return;
  if (!loop_.HasPendingWork()) {
    pump_.stop();
    return;
  }
  auto next = loop_.NextDeadline();
  long long wait = 0;
  if (next) {
    wait = std::chrono::ceil<std::chrono::milliseconds>(*next - loop_.Now()).count();
  }
  pump_.start(static_cast<int>(std::clamp<long long>(wait, 0, 60000)));
}

void MainWindowView::Pump() {
  loop_.ProcessPending();
  EndWhenTerminated();
  Schedule();
}

void MainWindowView::Forward(const std::function<void()>& handler) {
  if (ending_) return;
  app::MessageLoop::Deliver(handler);
  Render();
  EndWhenTerminated();
}

void MainWindowView::EndWhenTerminated() {
  if (ending_ || !support::App().Terminated()) return;
  ending_ = true;
  pump_.stop();
  hide();
  QCoreApplication::exit(support::App().ExitCode());
}

void MainWindowView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    Forward([this] { form_.FormActivate(); });
  }
}

void MainWindowView::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (ending_) return;
  // The form's paint handler only arms its timer; rendering happens outside Qt's painting.
  app::MessageLoop::Deliver([this] { form_.FormPaint(); });
  QTimer::singleShot(0, this, [this] { EndWhenTerminated(); });
}

void MainWindowView::closeEvent(QCloseEvent* event) {
  event->accept();
  if (!ending_) Forward([this] { form_.Close(); });
}

void RunMainWindow(app::TFormaLifto& form, app::MessageLoop& loop, GuiUi* ui) {
  MainWindowView view(form, loop);
  if (ui != nullptr) ui->SetRepaintHandler([&view] { view.Render(); });
  struct Unhook {
    GuiUi* ui;
    ~Unhook() {
      if (ui != nullptr) ui->SetRepaintHandler({});
    }
  } unhook{ui};
  app::MessageLoop::Deliver([&] { form.FormShow(); });
  if (support::App().Terminated()) return;
  view.Render();
  view.show();
  view.Schedule();
  if (support::App().Terminated()) return;
  QApplication::exec();
}

}  // namespace lifto::gui
