// The History window's store: which one is in use, remembered once a person
// chooses one, and the two lists read from it.
#include <QDateTime>
#include <QDir>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include <map>

#include "engine/base/ErrorReport.h"
#include "engine/base/Path.h"
#include "ui/common/CodePage.h"
#include "ui/common/StoredSettings.h"
#include "ui/history/HistoryTexts.h"
#include "ui/history/frmHistory.h"

namespace parvex {

namespace {

const QString kStoreSetting = QStringLiteral("HistoryStore");

// A list item whose numbers sort as numbers.
class Row final : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
    bool mine = false;
    bool theirs = false;
    const qlonglong a = text(column).toLongLong(&mine);
    const qlonglong b = other.text(column).toLongLong(&theirs);
    if (mine && theirs) return a < b;
    return text(column) < other.text(column);
  }
};

QString Optional(const std::optional<UnixSeconds>& time) {
  return time ? TimeText(*time) : QString();
}

}  // namespace

void frmHistory::Show() {
  if (!opened_) {
    opened_ = true;
    QString location;
    SkipOnFailure([&] { location = Registry().GetItem(kStoreSetting).ToText(); });
    if (location.isEmpty()) {
      try {
        location = PathText(Store::DefaultLocation());
      } catch (...) {
        ReportVBError("Error While Opening the History Store");
      }
    }
    OpenStore(location);
  }
  show();
}

void frmHistory::OpenStore(const QString& location) {
  txtStore->setText(location);
  try {
    store_ = services_.open(PathBytes(location));
    txtStore->setText(PathText(store_->Location()));
  } catch (...) {
    store_.reset();
    ReportVBError("Error While Opening the History Store");
  }
  Refresh();
}

bool frmHistory::ChooseStore(const QString& location) {
  if (location.trimmed().isEmpty()) return false;
  std::unique_ptr<Store> chosen;
  try {
    chosen = services_.open(PathBytes(location.trimmed()));
  } catch (...) {
    ReportVBError("Error While Opening the History Store");
    // The store before stays in use, and the field says so.
    if (store_) txtStore->setText(PathText(store_->Location()));
    return false;
  }
  store_ = std::move(chosen);
  txtStore->setText(PathText(store_->Location()));
  try {
    Registry().SaveItem(kStoreSetting, SettingValue::Text(txtStore->text()));
  } catch (...) {
    ReportVBError("Error While Saving Settings");
  }
  tvwMachines->clearSelection();
  Refresh();
  return true;
}

void frmHistory::cmdBrowseStore_Click() {
  try {
    const DialogOwner owner(services_.dialogs, this, services_.dialogOwner);
    cdlg_.CancelError = true;
    cdlg_.DialogTitle = QStringLiteral("Choose History Store");
    cdlg_.InitDir = QDir::toNativeSeparators(QFileInfo(txtStore->text()).absolutePath());
    cdlg_.FileName = QString();
    cdlg_.Filter = QStringLiteral("History Store (*.sqlite)|*.sqlite|(*.*)|*.*");
    cdlg_.ShowOpen();
  } catch (...) {
    ReportVBError("Error While Opening the History Store", kErrCancel);
    return;
  }
  ChooseStore(cdlg_.FileName);
}

void frmHistory::Refresh() {
  FillMachines();
  FillSnapshots();
}

void frmHistory::FillMachines() {
  const QString chosen = Machine();
  const QSignalBlocker quiet(tvwMachines);
  tvwMachines->clear();
  if (!store_) return;
  try {
    std::map<std::string, DriftLine> drift;
    for (DriftLine& line : store_->Drift()) drift[line.machine] = std::move(line);
    const UnixSeconds now = QDateTime::currentSecsSinceEpoch();
    for (const MachineSummary& m : store_->Machines()) {
      auto* item = new Row(tvwMachines);
      item->setText(0, QString::fromStdString(m.name));
      item->setText(1, Optional(m.newestTaken));
      item->setText(2, Optional(m.baselineTaken));
      if (m.newestTaken) item->setText(3, QString::number(DaysSince(*m.newestTaken, now)));
      const auto found = drift.find(m.name);
      if (found != drift.end()) item->setText(4, DriftText(found->second));
      item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int c = 0; c < tvwMachines->columnCount(); ++c) tvwMachines->resizeColumnToContents(c);
  } catch (...) {
    ReportVBError("Error While Reading the History Store");
  }
  SelectMachine(chosen);
}

void frmHistory::FillSnapshots() {
  std::vector<SnapshotId> selected;
  for (const SnapshotSummary& s : SelectedSnapshots()) selected.push_back(s.id);
  tvwSnapshots->clear();
  log_.clear();
  const QString machine = Machine();
  if (store_ && !machine.isEmpty()) {
    try {
      log_ = store_->Log(machine.toStdString());
    } catch (...) {
      ReportVBError("Error While Reading the History Store");
    }
  }
  lblSnapshots->setText(machine.isEmpty() ? QStringLiteral("S&napshots")
                                          : QStringLiteral("S&napshots of %1").arg(machine));
  QFont bold = tvwSnapshots->font();
  bold.setBold(true);
  for (const SnapshotSummary& s : log_) {
    auto* item = new QTreeWidgetItem(tvwSnapshots);
    item->setText(0, TimeText(s.taken));
    item->setText(1, QString::fromStdString(s.note));
    item->setText(2, QString::number(s.lines));
    item->setText(3, s.changes ? QString::number(*s.changes) : QString());
    item->setText(4, s.baseline ? QStringLiteral("Baseline") : QString());
    for (const int c : {2, 3}) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    if (s.baseline) {
      for (int c = 0; c < tvwSnapshots->columnCount(); ++c) item->setFont(c, bold);
    }
    item->setSelected(std::find(selected.begin(), selected.end(), s.id) != selected.end());
  }
  for (int c = 0; c < tvwSnapshots->columnCount(); ++c) tvwSnapshots->resizeColumnToContents(c);
  if (tvwSnapshots->topLevelItemCount() > 0) {
    tvwSnapshots->scrollToItem(tvwSnapshots->topLevelItem(tvwSnapshots->topLevelItemCount() - 1));
  }
  UpdateCommands();
}

QString frmHistory::DialogFolder() const {
  QString folder;
  SkipOnFailure([&] { folder = Registry().GetItem(QStringLiteral("SavePath")).ToText(); });
  return folder;
}

void frmHistory::RememberFolder(const QString& path) {
  SkipOnFailure([&] {
    Registry().SaveItem(QStringLiteral("SavePath"),
                        SettingValue::Text(PathText(GetPath(PathBytes(path)))));
  });
}

}  // namespace parvex
