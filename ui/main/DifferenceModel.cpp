#include "ui/main/DifferenceModel.h"

#include <QBitmap>
#include <QMetaObject>
#include <QPainter>

#include "ui/common/CodePage.h"

namespace parvex {

QPixmap LockPixmap() {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  QPainter p(&image);
  // Shackle.
  p.setPen(QPen(QColor(90, 90, 90), 2));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRect(4, 1, 8, 10), 0, 180 * 16);
  p.drawLine(4, 6, 4, 8);
  p.drawLine(12, 6, 12, 8);
  // Body with a keyhole.
  p.setPen(QColor(120, 80, 0));
  p.setBrush(QColor(230, 180, 40));
  p.drawRect(2, 7, 12, 8);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 40, 0));
  p.drawRect(7, 9, 2, 4);
  p.end();
  QPixmap pixmap = QPixmap::fromImage(image);
  pixmap.setMask(pixmap.createMaskFromColor(Qt::magenta));
  return pixmap;
}

DifferenceModel::DifferenceModel(DifferenceList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), shown_(list.Count()), lock_(LockPixmap()) {
  list_.SetObserver(this);
}

DifferenceModel::~DifferenceModel() {
  list_.SetObserver(nullptr);
}

int DifferenceModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

int DifferenceModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : DifferenceList::kColumnCount;
}

QVariant DifferenceModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shown_) return {};
  const DifferenceRow& row = list_.Row(index.row());
  if (role == Qt::DisplayRole) {
    const std::string& text =
        index.column() == 0 ? row.Text : row.SubItems[static_cast<std::size_t>(index.column() - 1)];
    return FieldText(text);
  }
  if (role == Qt::DecorationRole && index.column() == 0 && row.Locked) return lock_;
  if (role == Qt::AccessibleTextRole && index.column() == 0 && row.Locked) {
    return FieldText(row.Text) + QStringLiteral(" (read-only)");
  }
  return {};
}

QVariant DifferenceModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= DifferenceList::kColumnCount) {
    return {};
  }
  return FieldText(list_.Column(section).Caption);
}

void DifferenceModel::Flush() {
  flushPending_ = false;
  const int count = list_.Count();
  if (count > shown_) {
    beginInsertRows(QModelIndex(), shown_, count - 1);
    shown_ = count;
    endInsertRows();
  }
}

void DifferenceModel::ScheduleFlush() {
  if (flushPending_) return;
  flushPending_ = true;
  // After a failure the comparison ends without a status change; the queued
  // call still shows the rows it found.
  QMetaObject::invokeMethod(this, &DifferenceModel::Flush, Qt::QueuedConnection);
}

void DifferenceModel::ListCleared() {
  beginResetModel();
  shown_ = list_.Count();
  endResetModel();
  emit cleared();
}

void DifferenceModel::CaptionChanged(int column) {
  emit headerDataChanged(Qt::Horizontal, column, column);
}

void DifferenceModel::RowAppended(int /*row*/) {
  ScheduleFlush();
}

void DifferenceModel::StatusChanged() {
  Flush();
  emit statusChanged(FieldText(list_.Status()));
}

}  // namespace parvex
