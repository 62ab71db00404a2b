#pragma once

#include <QAbstractTableModel>
#include <QPixmap>

#include "engine/list/DifferenceList.h"

namespace parvex {

// Shows the engine's difference list without copying it. Rows found during a
// comparison are announced to the view in one batch, when the comparison
// hands control back, so a list of tens of thousands fills at once.
class DifferenceModel final : public QAbstractTableModel, private DifferenceListObserver {
  Q_OBJECT

 public:
  explicit DifferenceModel(DifferenceList& list, QObject* parent = nullptr);
  ~DifferenceModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Announces rows appended since the last announcement.
  void Flush();

 signals:
  void statusChanged(const QString& text);
  // A comparison has started to fill the list afresh.
  void cleared();

 private:
  void ListCleared() override;
  void CaptionChanged(int column) override;
  void RowAppended(int row) override;
  void StatusChanged() override;
  void ScheduleFlush();

  DifferenceList& list_;
  int shown_ = 0;  // rows the view has been told of
  bool flushPending_ = false;
  QPixmap lock_;
};

// The 16 x 16 "lock" picture, drawn on magenta, with magenta transparent.
QPixmap LockPixmap();

}  // namespace parvex
