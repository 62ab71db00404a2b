#pragma once

#include <QDialog>

#include <optional>
#include <vector>

#include "history/Store.h"

class QDialogButtonBox;
class QLabel;
class QTreeWidget;

namespace parvex {

// One parameter's history on one machine: the taken time, the value it then
// had and its units, a line for the first snapshot and one for each change;
// with a plot of the value over time when every value reads as a number
// (where the program is built with charts).
class frmValueHistory final : public QDialog {
  Q_OBJECT

 public:
  // until: the newest snapshot's time, so that the plot runs to today's value.
  frmValueHistory(const QString& machine, const QString& address, std::vector<ValueStep> steps,
                  std::optional<UnixSeconds> until, QWidget* parent = nullptr);

  // The points of the plot (time, value), a step for each change; empty when
  // some value is no number.
  const std::vector<std::pair<UnixSeconds, double>>& Points() const { return points_; }
  // Whether the plot is shown.
  bool Plotted() const { return plot_ != nullptr; }

  QLabel* lblValues = nullptr;
  QTreeWidget* tvwValues = nullptr;
  QDialogButtonBox* buttons = nullptr;

 private:
  void FillTable(const std::vector<ValueStep>& steps);
  void MakePoints(const std::vector<ValueStep>& steps, std::optional<UnixSeconds> until);
  QWidget* MakePlot(const QString& address);

  std::vector<std::pair<UnixSeconds, double>> points_;
  QWidget* plot_ = nullptr;
};

}  // namespace parvex
