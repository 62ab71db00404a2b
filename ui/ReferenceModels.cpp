#include "ui/ReferenceModels.h"

#include <QApplication>
#include <QFont>
#include <QStyle>

#include <iterator>

#include "reports/ReferenceCsv.h"
#include "ui/CodePage.h"

namespace parvex {

namespace {

QIcon StandardIcon(QStyle::StandardPixmap which) {
  return QApplication::style()->standardIcon(which);
}

QString Text(const std::string& bytes) {
  return FromArchiveBytes(bytes);
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

QVariant ReferenceSummaryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !result_) return {};
  const ArchiveSummary& a = result_->archives[static_cast<std::size_t>(index.row())];
  const auto count = [](std::uint64_t n) { return QVariant::fromValue<qulonglong>(n); };
  if (role == Qt::DisplayRole) {
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
        return count(a.messages.size());
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
    if (index.column() == Messages || index.column() == State) {
      QStringList lines;
      if (!a.readable) lines << Text(a.failure);
      for (const ReferenceMessage& m : a.messages) lines << Text(m.title + ": " + m.text);
      return lines.join(QLatin1Char('\n'));
    }
  }
  if (role == Qt::TextAlignmentRole && index.column() != Name && index.column() != State) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  return {};
}

QVariant ReferenceSummaryModel::headerData(int section, Qt::Orientation orientation,
                                           int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kNames[] = {"Archive", "Differ",           "Missing",  "Extra",
                                       "Ignored", "Within tolerance", "Messages", "State"};
  if (section < 0 || section >= kColumns) return {};
  return QString::fromLatin1(kNames[section]);
}

ReferenceMatrixModel::ReferenceMatrixModel(QObject* parent)
    : QAbstractTableModel(parent), mark_(StandardIcon(QStyle::SP_MessageBoxWarning)) {}

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
  const ReferenceCell::Kind kind = result_->Cell(r, k).kind;
  return kind == ReferenceCell::Kind::Value || kind == ReferenceCell::Kind::Missing;
}

QVariant ReferenceMatrixModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !result_) return {};
  const ReferenceRow& row = result_->rows[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  if (column < kFixedColumns) {
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
  const auto k = static_cast<std::uint32_t>(column - kFixedColumns);
  const ReferenceCell cell = result_->Cell(row, k);
  const bool deviates =
      cell.kind == ReferenceCell::Kind::Value || cell.kind == ReferenceCell::Kind::Missing;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      // The same text as the CSV matrix gives the cell.
      return Text(MatrixCellText(row, cell));
    case Qt::FontRole:
      if (deviates) {
        QFont font;
        font.setBold(true);
        return font;
      }
      return {};
    case Qt::DecorationRole:
      return deviates ? QVariant(mark_) : QVariant();
    case Qt::AccessibleDescriptionRole:
      return deviates ? QStringLiteral("deviates") : QVariant();
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
