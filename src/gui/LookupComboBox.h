#pragma once

#include <QComboBox>
#include <QList>
#include <QStringList>

class QStandardItemModel;
class QTreeView;

/// A lookup box as the edit page's client choice uses it: an edit field the person types a search
/// text into, and a drop-down list that shows each row's cells in columns ("ABREV",
/// "ESCRITORIO"). The field shows the first column of a picked row. What a typed text finds is the
/// logic's to decide, so the box completes nothing by itself.
namespace lifto::gui {

class LookupComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit LookupComboBox(QWidget* parent = nullptr);

  /// Shows the rows of the list. @param cells each row's columns; a row without cells shows its
  /// item alone. Unchanged rows are left as they are, so that a render does not disturb typing.
  void SetRows(const QStringList& items, const QList<QStringList>& cells);

  /// The drop-down list.
  QTreeView* List() const { return list_; }

  /// Opens the list wide enough for all its columns.
  void showPopup() override;

 signals:
  /// The person changed the text by typing.
  void Typed(const QString& text);
  /// The person picked row `row` of the list.
  void Picked(int row);

 private:
  QStandardItemModel* model_;
  QTreeView* list_;
  QList<QStringList> shown_;
};

}  // namespace lifto::gui
