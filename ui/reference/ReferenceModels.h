#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QSortFilterProxyModel>

#include <memory>
#include <set>

#include "reference/ReferenceResult.h"

namespace parvex {

// One row per archive of a reference comparison: its name, its counts, its
// state and its messages and notes, last, where a long note has the room.
// Numbers sort as numbers.
class ReferenceSummaryModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Name, Differ, Missing, Extra, Ignored, Tolerated, State, Messages, kColumns };
  // What a column sorts by: its text, or its number (for Messages, the
  // messages and notes together, whatever the text says).
  static constexpr int SortRole = Qt::UserRole;

  explicit ReferenceSummaryModel(QObject* parent = nullptr);

  // The result shown; shared with the matrix, never copied.
  void SetResult(std::shared_ptr<const ReferenceResult> result);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The state column's text: "equal", "deviates" or why it could not be read.
  static QString StateText(const ArchiveSummary& archive);

 private:
  std::shared_ptr<const ReferenceResult> result_;
  QIcon equal_;
  QIcon deviates_;
  QIcon unread_;
};

// The matrix of a reference comparison: Address, Description, Units,
// Reference, then one column per archive, rows in the CSV's order. A cell
// that deviates shows the archive's value (with its units in brackets where
// they differ) or "(missing)", in bold with a sign; units that differ and
// values the reference lacks have signs of their own, a tooltip that says
// why, and extra values are in italics too, so no mark rests on colour.
class ReferenceMatrixModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kFixedColumns = 4;  // Address, Description, Units, Reference
  // How a cell stands out; its name is the cell's accessible description.
  enum class Mark { None, Deviates, Units, Extra };

  explicit ReferenceMatrixModel(QObject* parent = nullptr);

  void SetResult(std::shared_ptr<const ReferenceResult> result);
  const ReferenceResult* Result() const { return result_.get(); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Whether archive k's cell in row differs from the reference.
  bool Deviates(int row, std::uint32_t k) const;
  static Mark MarkOf(const ReferenceRow& row, const ReferenceCell& cell);

 private:
  QVariant CellData(const ReferenceRow& row, std::uint32_t k, int role) const;

  std::shared_ptr<const ReferenceResult> result_;
  QIcon deviates_;
  QIcon units_;
  QIcon extra_;
};

// Hides the matrix's rows whose address and description both lack the
// filter text and, when archives are chosen, the other archives' columns
// and the rows where none of the chosen archives deviates.
class ReferenceMatrixFilter final : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  explicit ReferenceMatrixFilter(QObject* parent = nullptr);

  void SetText(const QString& text);
  // Empty: every archive.
  void SetArchives(std::set<std::uint32_t> archives);
  // The archive shown in a column of this model, or -1 for the first four.
  int ArchiveOfColumn(int column) const;

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override;
  bool filterAcceptsColumn(int column, const QModelIndex& parent) const override;

 private:
  const ReferenceMatrixModel* Matrix() const;
  QString text_;
  std::set<std::uint32_t> archives_;
};

}  // namespace parvex
