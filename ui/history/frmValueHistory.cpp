// One parameter's history: the table, and the plot of its numbers.
#include "ui/history/frmValueHistory.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#ifdef PARVEX_CHARTS
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QValueAxis>
#endif

#include "ui/common/CodePage.h"
#include "ui/history/HistoryTexts.h"

namespace parvex {

frmValueHistory::frmValueHistory(const QString& machine, const QString& address,
                                 std::vector<ValueStep> steps, std::optional<UnixSeconds> until,
                                 QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("frmValueHistory"));
  setWindowTitle(QStringLiteral("Value History of %1 on %2").arg(address, machine));
  tvwValues = new QTreeWidget(this);
  tvwValues->setObjectName(QStringLiteral("tvwValues"));
  tvwValues->setAccessibleName(QStringLiteral("Values of %1 over time").arg(address));
  tvwValues->setRootIsDecorated(false);
  tvwValues->setAllColumnsShowFocus(true);
  tvwValues->setHeaderLabels(
      {QStringLiteral("Taken"), QStringLiteral("Value"), QStringLiteral("Units")});
  lblValues = new QLabel(this);
  lblValues->setObjectName(QStringLiteral("lblValues"));
  lblValues->setBuddy(tvwValues);
  buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  FillTable(steps);
  MakePoints(steps, until);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblValues);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(tvwValues);
  plot_ = MakePlot(address);
  if (plot_ != nullptr) split->addWidget(plot_);
  layout->addWidget(split, 1);
  layout->addWidget(buttons);
  resize(plot_ != nullptr ? QSize(640, 560) : QSize(480, 360));
}

void frmValueHistory::FillTable(const std::vector<ValueStep>& steps) {
  for (const ValueStep& step : steps) {
    auto* item = new QTreeWidgetItem(tvwValues);
    item->setText(0, TimeText(step.taken));
    item->setText(1, step.present ? FieldText(step.value) : QStringLiteral("(missing)"));
    item->setText(2, step.present ? FieldText(step.units) : QString());
  }
  for (int c = 0; c < 3; ++c) tvwValues->resizeColumnToContents(c);
  lblValues->setText(steps.empty()
                         ? QStringLiteral("No snapshot holds this &address.")
                         : QStringLiteral("&Values: the first snapshot, then each change"));
}

void frmValueHistory::MakePoints(const std::vector<ValueStep>& steps,
                                 std::optional<UnixSeconds> until) {
  // A value holds from its snapshot until the next change: a step line.
  std::vector<std::pair<UnixSeconds, double>> points;
  for (const ValueStep& step : steps) {
    const std::optional<double> value = step.present ? PlotNumber(step.value) : std::nullopt;
    if (!value) return;
    if (!points.empty()) points.emplace_back(step.taken, points.back().second);
    points.emplace_back(step.taken, *value);
  }
  if (!points.empty() && until && *until > points.back().first) {
    points.emplace_back(*until, points.back().second);
  }
  points_ = std::move(points);
}

QWidget* frmValueHistory::MakePlot(const QString& address) {
#ifdef PARVEX_CHARTS
  if (points_.empty()) return nullptr;
  auto* series = new QLineSeries;
  series->setName(address);
  for (const auto& [time, value] : points_) {
    series->append(static_cast<qreal>(time) * 1000.0, value);
  }
  auto* chart = new QChart;
  chart->addSeries(series);
  chart->legend()->hide();
  auto* time = new QDateTimeAxis;
  // Hours matter when the snapshots lie within a few days.
  const UnixSeconds span = points_.back().first - points_.front().first;
  time->setFormat(span < 3 * 86400 ? QStringLiteral("MM-dd HH:mm") : QStringLiteral("yyyy-MM-dd"));
  time->setTitleText(QStringLiteral("Taken"));
  chart->addAxis(time, Qt::AlignBottom);
  series->attachAxis(time);
  auto* values = new QValueAxis;
  values->setTitleText(QStringLiteral("Value"));
  chart->addAxis(values, Qt::AlignLeft);
  series->attachAxis(values);
  // A margin above and below, so that no step lies on the frame.
  const auto [low, high] =
      std::minmax_element(points_.begin(), points_.end(),
                          [](const auto& a, const auto& b) { return a.second < b.second; });
  const double pad = high->second > low->second ? (high->second - low->second) / 10
                                                : std::max(1.0, std::abs(low->second) / 10);
  values->setRange(low->second - pad, high->second + pad);
  values->applyNiceNumbers();
  auto* view = new QChartView(chart, this);
  view->setObjectName(QStringLiteral("chtValues"));
  view->setAccessibleName(QStringLiteral("Plot of %1 over time").arg(address));
  view->setRenderHint(QPainter::Antialiasing);
  view->setMinimumHeight(220);
  return view;
#else
  // Built without charts (the Windows build): the table alone.
  (void)address;
  return nullptr;
#endif
}

}  // namespace parvex
