#include "ui/reference/ReferenceModels.h"

#include <QApplication>
#include <QFont>
#include <QStyle>

#include <iterator>

#include "reports/layouts/ReferenceCsv.h"
#include "ui/common/CodePage.h"

namespace parvex {

namespace {

QIcon StandardIcon(QStyle::StandardPixmap which) {
  return QApplication::style()->standardIcon(which);
}

// Archive text as the main list shows it.
QString Text(const std::string& bytes) {
  return FieldText(bytes);
}

}  // namespace

ReferenceSummaryModel::ReferenceSummaryModel(QObject* parent)
    : QAbstractTableModel(parent),
      equal_(StandardIcon(QStyle::SP_DialogApplyButton)),
      deviates_(StandardIcon(QStyle::SP_MessageBoxWarning)),
      unread_(StandardIcon(QStyle::SP_MessageBoxCritical)) {}

void ReferenceSummaryModel::SetResult(std::shared_ptr<const ReferenceResult> result) {
  beginResetModel();
  result_ = std::move(result);
  endResetModel();
}

int ReferenceSummaryModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !result_) return 0;
  return static_cast<int>(result_->archives.size());
}

int ReferenceSummaryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QString ReferenceSummaryModel::StateText(const ArchiveSummary& archive) {
  if (!archive.readable) return QStringLiteral("cannot be read: ") + Text(archive.failure);
  return archive.Deviates() ? QStringLiteral("deviates") : QStringLiteral("equal");
}

namespace {

QString Plural(std::size_t n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

// The Messages column: the count alone, as long as there are no notes; a
// note (a file cut short) is said in full, so that it is read, not hovered.
QVariant MessagesShown(const ArchiveSummary& a) {
  if (a.notes.empty()) return QVariant::fromValue<qulonglong>(a.messages.size());
  QStringList parts;
  if (!a.messages.empty()) parts << Plural(a.messages.size(), "message", "messages");
  for (const std::string& note : a.notes) parts << Text(note);
  return parts.join(QStringLiteral("; "));
}

QString MessagesTip(const ArchiveSummary& a) {
  QStringList lines;
  if (!a.readable) lines << Text(a.failure);
  for (const ReferenceMessage& m : a.messages) lines << Text(m.title + ": " + m.text);
  for (const std::string& note : a.notes) lines << Text(note);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

QVariant ReferenceSummaryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !result_) return {};
  const ArchiveSummary& a = result_->archives[static_cast<std::size_t>(index.row())];
  const auto count = [](std::uint64_t n) { return QVariant::fromValue<qulonglong>(n); };
  if (role == SortRole && index.column() == Messages) {
    return count(a.messages.size() + a.notes.size());
  }
  if (role == Qt::DisplayRole || role == SortRole) {
    switch (index.column()) {
      case Name:
        return PathText(a.name);
      case Differ:
        return count(a.differ);
      case Missing:
        return count(a.missing);
      case Extra:
        return count(a.extra);
      case Ignored:
        return count(a.ignored);
      case Tolerated:
        return count(a.tolerated);
      case Messages:
        return MessagesShown(a);
      case State:
        return StateText(a);
      default:
        return {};
    }
  }
  if (role == Qt::DecorationRole && index.column() == Name) {
    return !a.readable ? unread_ : a.Deviates() ? deviates_ : equal_;
  }
  if (role == Qt::FontRole && a.readable && !a.Deviates()) {
    // Equal archives are set apart by their type as well as their sign.
    QFont font;
    font.setItalic(true);
    return font;
  }
  if (role == Qt::ToolTipRole) {
    if (index.column() == Name) return PathText(a.path);
    if (index.column() == Messages || index.column() == State) return MessagesTip(a);
  }
  if (role == Qt::TextAlignmentRole && index.column() >= Differ && index.column() <= Tolerated) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  return {};
}

QVariant ReferenceSummaryModel::headerData(int section, Qt::Orientation orientation,
                                           int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kNames[] = {"Archive", "Differ",           "Missing", "Extra",
                                       "Ignored", "Within tolerance", "State",   "Messages"};
  if (section < 0 || section >= kColumns) return {};
  return QString::fromLatin1(kNames[section]);
}

ReferenceMatrixModel::ReferenceMatrixModel(QObject* parent)
    : QAbstractTableModel(parent),
      deviates_(StandardIcon(QStyle::SP_MessageBoxWarning)),
      units_(StandardIcon(QStyle::SP_MessageBoxInformation)),
      extra_(StandardIcon(QStyle::SP_FileDialogNewFolder)) {}

void ReferenceMatrixModel::SetResult(std::shared_ptr<const ReferenceResult> result) {
  beginResetModel();
  result_ = std::move(result);
  endResetModel();
}

int ReferenceMatrixModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !result_) return 0;
  return static_cast<int>(result_->rows.size());
}

int ReferenceMatrixModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return kFixedColumns + (result_ ? static_cast<int>(result_->archives.size()) : 0);
}

bool ReferenceMatrixModel::Deviates(int row, std::uint32_t k) const {
  const ReferenceRow& r = result_->rows[static_cast<std::size_t>(row)];
  return MarkOf(r, result_->Cell(r, k)) != Mark::None;
}

ReferenceMatrixModel::Mark ReferenceMatrixModel::MarkOf(const ReferenceRow& row,
                                                        const ReferenceCell& cell) {
  switch (cell.kind) {
    case ReferenceCell::Kind::Missing:
      return Mark::Deviates;
    case ReferenceCell::Kind::Value:
      // A row the reference lacks keeps only the values of the archives that
      // have it.
      if (!row.inReference) return Mark::Extra;
      return cell.units ? Mark::Units : Mark::Deviates;
    default:
      return Mark::None;
  }
}

QVariant ReferenceMatrixModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !result_) return {};
  const ReferenceRow& row = result_->rows[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  if (column >= kFixedColumns) {
    return CellData(row, static_cast<std::uint32_t>(column - kFixedColumns), role);
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (column) {
    case 0:
      return Text(row.address);
    case 1:
      return Text(row.description);
    case 2:
      return Text(row.units);
    default:
      return Text(row.inReference ? row.reference : std::string(kMissingText));
  }
}

QVariant ReferenceMatrixModel::CellData(const ReferenceRow& row, std::uint32_t k, int role) const {
  const ReferenceCell cell = result_->Cell(row, k);
  const Mark mark = MarkOf(row, cell);
  if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && mark == Mark::Deviates)) {
    // The same text as the CSV matrix gives the cell, "(not read)" too.
    return Text(MatrixCellText(row, cell));
  }
  if (mark == Mark::None) return {};
  switch (role) {
    case Qt::ToolTipRole:
      if (mark == Mark::Extra) {
        return QStringLiteral("Not in the reference: only some archives have this line");
      }
      return QStringLiteral("Units differ from the reference's (%1)")
          .arg(row.units.empty() ? QStringLiteral("none") : Text(row.units));
    case Qt::FontRole: {
      QFont font;
      font.setBold(true);
      font.setItalic(mark == Mark::Extra);
      return font;
    }
    case Qt::DecorationRole:
      return mark == Mark::Extra ? extra_ : mark == Mark::Units ? units_ : deviates_;
    case Qt::AccessibleDescriptionRole:
      return mark == Mark::Extra   ? QStringLiteral("not in the reference")
             : mark == Mark::Units ? QStringLiteral("units differ")
                                   : QStringLiteral("deviates");
    default:
      return {};
  }
}

QVariant ReferenceMatrixModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  static const char* const kFixed[] = {"Address", "Description", "Units", "Reference"};
  if (section < 0 || section >= columnCount()) return {};
  if (section < kFixedColumns) return QString::fromLatin1(kFixed[section]);
  const ArchiveSummary& a = result_->archives[static_cast<std::size_t>(section - kFixedColumns)];
  return role == Qt::ToolTipRole ? PathText(a.path) : PathText(a.name);
}

ReferenceMatrixFilter::ReferenceMatrixFilter(QObject* parent) : QSortFilterProxyModel(parent) {}

const ReferenceMatrixModel* ReferenceMatrixFilter::Matrix() const {
  return qobject_cast<const ReferenceMatrixModel*>(sourceModel());
}

void ReferenceMatrixFilter::SetText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  invalidateRowsFilter();
}

void ReferenceMatrixFilter::SetArchives(std::set<std::uint32_t> archives) {
  if (archives == archives_) return;
  archives_ = std::move(archives);
  invalidateFilter();
}

int ReferenceMatrixFilter::ArchiveOfColumn(int column) const {
  const int n = column - ReferenceMatrixModel::kFixedColumns;
  if (n < 0) return -1;
  if (archives_.empty()) return n;
  if (n >= static_cast<int>(archives_.size())) return -1;
  return static_cast<int>(*std::next(archives_.begin(), n));
}

bool ReferenceMatrixFilter::filterAcceptsRow(int row, const QModelIndex& parent) const {
  const ReferenceMatrixModel* matrix = Matrix();
  if (matrix == nullptr || matrix->Result() == nullptr) return true;
  if (!text_.isEmpty()) {
    const QString address = matrix->index(row, 0, parent).data().toString();
    const QString description = matrix->index(row, 1, parent).data().toString();
    if (!address.contains(text_, Qt::CaseInsensitive) &&
        !description.contains(text_, Qt::CaseInsensitive)) {
      return false;
    }
  }
  if (archives_.empty()) return true;
  for (const std::uint32_t k : archives_) {
    if (matrix->Deviates(row, k)) return true;
  }
  return false;
}

bool ReferenceMatrixFilter::filterAcceptsColumn(int column, const QModelIndex&) const {
  if (column < ReferenceMatrixModel::kFixedColumns || archives_.empty()) return true;
  return archives_.count(static_cast<std::uint32_t>(column - ReferenceMatrixModel::kFixedColumns)) >
         0;
}

}  // namespace parvex
