#include "gui/TFormaversoesView.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/FormaVersoes.h"
#include "gui/QtText.h"
#include "support/Transcript.h"

namespace lifto::gui {
namespace {

// The designer's grid: column widths and row height.
constexpr int kArquivosWidth = 144;
constexpr int kDescricaoWidth = 279;
constexpr int kRowHeight = 18;
constexpr int kStatusWidth = 150;

}  // namespace

TFormaversoesView::TFormaversoesView(app::TFormaversoes& window, QWidget* parent)
    : QDialog(parent), window_(window) {
  setObjectName(app::TFormaversoes::kName);
  setModal(true);
  BuildWidgets();
  Render();
  if (window_.Timer1.enabled) timer_->start(app::TFormaversoes::kTimerMs);
}

void TFormaversoesView::BuildWidgets() {
  setWindowTitle(ToQt(window_.caption));
  auto* layout = new QVBoxLayout(this);
  heading_ = new QLabel(ToQt(window_.heading), this);
  heading_->setObjectName("Titulo");
  QFont bold = heading_->font();
  bold.setBold(true);
  heading_->setFont(bold);
  layout->addWidget(heading_);

  programs_ = new QGroupBox(ToQt(window_.C_listaprog.caption), this);
  programs_->setObjectName("C_listaprog");
  programsLayout_ = new QGridLayout(programs_);
  programButtons_ = new QButtonGroup(this);
  connect(programButtons_, &QButtonGroup::idClicked, this, [this](int id) {
    window_.C_listaprog.itemIndex = id;
  });
  layout->addWidget(programs_);

  versions_ = new QGroupBox(ToQt(window_.C_listaversoes.caption), this);
  versions_->setObjectName("C_listaversoes");
  auto* versionsLayout = new QVBoxLayout(versions_);
  grid_ = new QTableWidget(versions_);
  grid_->setObjectName("C_grade");
  grid_->setColumnCount(2);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  grid_->setColumnWidth(0, kArquivosWidth);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setMinimumWidth(kArquivosWidth + kDescricaoWidth + 24);
  connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row) {
    if (row >= 0) window_.C_grade.row = row + 1;
  });
  connect(grid_, &QTableWidget::cellDoubleClicked, this,
          [this] { Forward([this] { window_.bot_downloadClick(); }); });
  versionsLayout->addWidget(grid_);
  layout->addWidget(versions_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  download_ = new QPushButton(ToQt(window_.bot_download.caption), this);
  download_->setObjectName("bot_download");
  download_->setToolTip(ToQt(window_.bot_download.hint));
  download_->setDefault(true);
  connect(download_, &QPushButton::clicked, this, [this] { Forward([this] { window_.bot_downloadClick(); }); });
  exit_ = new QPushButton(ToQt(window_.bot_sair.caption), this);
  exit_->setObjectName("bot_sair");
  exit_->setToolTip(ToQt(window_.bot_sair.hint));
  connect(exit_, &QPushButton::clicked, this, [this] { Forward([this] { window_.bot_sairClick(); }); });
  buttons->addWidget(download_);
  buttons->addWidget(exit_);
  layout->addLayout(buttons);

  auto* statusBar = new QHBoxLayout;
  status_ = new QLabel(this);
  status_->setObjectName("C_status");
  status_->setMinimumWidth(kStatusWidth);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("C_barra");
  bar_->setRange(0, 100);
  statusBar->addWidget(status_);
  statusBar->addWidget(bar_, 1);
  layout->addLayout(statusBar);

  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, [this] { Forward([this] { window_.Timer1Timer(); }); });
}

void TFormaversoesView::Forward(const std::function<void()>& handler) {
  handler();
  Render();
}

void TFormaversoesView::reject() { Forward([this] { window_.bot_sairClick(); }); }

void TFormaversoesView::RenderPrograms() {
  const auto& list = window_.C_listaprog;
  const auto buttons = programButtons_->buttons();
  bool same = buttons.size() == static_cast<qsizetype>(list.items.size());
  for (qsizetype i = 0; same && i < buttons.size(); ++i) {
    same = buttons[i]->text() == ToQt(list.items[static_cast<std::size_t>(i)]);
  }
  if (!same) {
    for (auto* button : buttons) {
      programButtons_->removeButton(button);
      delete button;
    }
    const int rows = static_cast<int>((list.items.size() + static_cast<std::size_t>(list.columns) - 1) /
                                      static_cast<std::size_t>(std::max(list.columns, 1)));
    for (std::size_t i = 0; i < list.items.size(); ++i) {
      auto* button = new QRadioButton(ToQt(list.items[i]), programs_);
      const int index = static_cast<int>(i);
      programButtons_->addButton(button, index);
      programsLayout_->addWidget(button, rows > 0 ? index % rows : 0, rows > 0 ? index / rows : 0);
    }
  }
  if (auto* chosen = programButtons_->button(list.itemIndex)) chosen->setChecked(true);
  programs_->setVisible(list.visible);
}

void TFormaversoesView::RenderGrid() {
  const auto& rows = window_.C_grade.rows;
  const QSignalBlocker block(grid_);
  grid_->setHorizontalHeaderLabels({ToQt(rows.at(0)[0]), ToQt(rows.at(0)[1])});
  grid_->setRowCount(static_cast<int>(rows.size()) - 1);
  for (std::size_t r = 1; r < rows.size(); ++r) {
    for (int c = 0; c < 2; ++c) {
      grid_->setItem(static_cast<int>(r) - 1, c, new QTableWidgetItem(ToQt(rows[r][static_cast<std::size_t>(c)])));
    }
  }
  if (window_.C_grade.row >= 1) grid_->selectRow(window_.C_grade.row - 1);
  versions_->setVisible(window_.C_listaversoes.visible);
}

void TFormaversoesView::Render() {
  RenderPrograms();
  RenderGrid();
  status_->setText(ToQt(window_.C_status.panel0));
  bar_->setValue(window_.C_barra.position);
  if (window_.ModalResult() != app::TFormaversoes::mrNone) done(window_.ModalResult() == app::TFormaversoes::mrOk ? Accepted : Rejected);
}

void RegisterFormaversoesView() {
  app::TFormaversoes::SetModalView([](app::TFormaversoes& window) {
    {
      TFormaversoesView view(window, QApplication::activeWindow());
      if (window.ModalResult() == app::TFormaversoes::mrNone) view.exec();
    }
    support::transcript::RecordDialog(window.AsRequest(), window.ModalResult() == app::TFormaversoes::mrOk);
  });
}

}  // namespace lifto::gui
