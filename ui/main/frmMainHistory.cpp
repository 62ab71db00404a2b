// The main window's way to the History window, and a listed row's value
// history on the machine in view there.
#include <QAction>
#include <QMenu>
#include <QSortFilterProxyModel>
#include <QTreeView>

#include "engine/base/ErrorReport.h"
#include "parvex/version.h"
#include "ui/history/frmHistory.h"
#include "ui/main/frmMain.h"

namespace parvex {

void frmMain::BuildHistoryItems() {
  mnuHistory = new QAction(QStringLiteral("&History..."), mnuFile);
  mnuHistory->setObjectName(QStringLiteral("mnuHistory"));
  mnuHistory->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  mnuHistory->setStatusTip(QStringLiteral("Every machine's snapshots in the history store"));
  mnuFile->insertAction(mnuExit, mnuHistory);
  mnuEdit->addSeparator();
  mnuValueHistory = mnuEdit->addAction(QStringLiteral("&Value History..."));
  mnuValueHistory->setObjectName(QStringLiteral("mnuValueHistory"));
  mnuValueHistory->setStatusTip(QStringLiteral(
      "The chosen row's value over time on the machine chosen in the History window"));
  connect(mnuHistory, &QAction::triggered, this, &frmMain::mnuHistory_Click);
  connect(mnuValueHistory, &QAction::triggered, this, &frmMain::mnuValueHistory_Click);
}

void frmMain::mnuHistory_Click() {
  if (!history_) {
    HistoryServices services{services_.dialogs, this, {}};
    services.openPair = [this](const QString& a, const QString& b, const QString& caption) {
      ComparePairOnce(a, b, caption);
    };
    // A window of its own, not above this one: both stay usable.
    history_ = std::make_unique<frmHistory>(std::move(services));
  }
  history_->Show();
  history_->raise();
  history_->activateWindow();
}

void frmMain::mnuValueHistory_Click() {
  QModelIndex row = lvList->currentIndex();
  if (row.isValid() && lvList->model() == filter_) row = filter_->mapToSource(row);
  if (!row.isValid() || row.row() >= list_.Count()) {
    MsgBox("Choose a row of the difference list first.", kMsgExclamation, build::kAppTitle);
    return;
  }
  const std::string address = list_.Row(row.row()).Text;
  if (!history_ || history_->Machine().isEmpty()) {
    mnuHistory_Click();
    MsgBox("Choose the machine in the History window, then Value History again.", kMsgExclamation,
           build::kAppTitle);
    return;
  }
  history_->ShowValueHistory(address);
}

}  // namespace parvex
