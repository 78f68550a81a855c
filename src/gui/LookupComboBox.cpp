#include "gui/LookupComboBox.h"

#include <algorithm>

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTreeView>

namespace lifto::gui {

LookupComboBox::LookupComboBox(QWidget* parent)
    : QComboBox(parent), model_(new QStandardItemModel(this)), list_(new QTreeView(this)) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setCompleter(nullptr);
  setModel(model_);
  list_->setRootIsDecorated(false);
  list_->setHeaderHidden(true);
  list_->setUniformRowHeights(true);
  list_->setItemsExpandable(false);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->header()->setStretchLastSection(true);
  setView(list_);
  setModelColumn(0);
  connect(lineEdit(), &QLineEdit::textEdited, this, &LookupComboBox::Typed);
  connect(this, qOverload<int>(&QComboBox::activated), this, &LookupComboBox::Picked);
}

void LookupComboBox::SetRows(const QStringList& items, const QList<QStringList>& cells) {
  QList<QStringList> rows;
  for (qsizetype i = 0; i < items.size(); ++i) {
    rows << (i < cells.size() && !cells[i].isEmpty() ? cells[i] : QStringList{items[i]});
  }
  if (rows == shown_) return;
  shown_ = rows;
  const QSignalBlocker block(this);
  const QString text = currentText();
  model_->clear();
  for (const auto& row : rows) {
    QList<QStandardItem*> line;
    for (const auto& cell : row) {
      auto* item = new QStandardItem(cell);
      item->setEditable(false);
      line << item;
    }
    model_->appendRow(line);
  }
  setCurrentIndex(-1);
  setEditText(text);
}

void LookupComboBox::showPopup() {
  int width = 2 * list_->frameWidth() + list_->verticalScrollBar()->sizeHint().width();
  const QAbstractItemView* view = list_;  // sizeHintForColumn is public there
  for (int column = 0; column < model_->columnCount(); ++column) {
    // The last column stretches over what is left.
    if (column + 1 < model_->columnCount()) list_->resizeColumnToContents(column);
    width += view->sizeHintForColumn(column) + list_->fontMetrics().averageCharWidth();
  }
  QComboBox::showPopup();
  // The combo box makes the list as wide as itself; the columns may need more.
  if (QWidget* popup = list_->window(); popup != window() && popup->width() < width) {
    popup->resize(width, popup->height());
  }
}

}  // namespace lifto::gui
