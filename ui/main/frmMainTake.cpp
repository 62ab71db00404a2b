// The Edit menu: taking one archive's values into the other after a
// comparison of two archive files, and the comparison made again against
// the file written.
#include <QAction>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSortFilterProxyModel>
#include <QTreeView>

#include <set>

#include "engine/base/ErrorReport.h"
#include "engine/taking/Taking.h"
#include "parvex/version.h"
#include "ui/common/CodePage.h"
#include "ui/main/DifferenceModel.h"
#include "ui/main/frmMain.h"
#include "ui/take/TakeFlow.h"

namespace parvex {

void frmMain::BuildEditMenu() {
  mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
  mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
  mnuTake1 = mnuEdit->addAction(QStringLiteral("Take Archive &1 Values..."));
  mnuTake1->setObjectName(QStringLiteral("mnuTake1"));
  mnuTake1->setStatusTip(QStringLiteral("Puts Archive 1's values into Archive 2"));
  mnuTake2 = mnuEdit->addAction(QStringLiteral("Take Archive &2 Values..."));
  mnuTake2->setObjectName(QStringLiteral("mnuTake2"));
  mnuTake2->setStatusTip(QStringLiteral("Puts Archive 2's values into Archive 1"));
  mnuSaveChanges = mnuEdit->addAction(QStringLiteral("Save C&hange Set..."));
  mnuSaveChanges->setObjectName(QStringLiteral("mnuSaveChanges"));
  mnuSaveChanges->setStatusTip(
      QStringLiteral("Saves what taking Archive 1's values into Archive 2 would change"));
  connect(mnuTake1, &QAction::triggered, this, &frmMain::mnuTake1_Click);
  connect(mnuTake2, &QAction::triggered, this, &frmMain::mnuTake2_Click);
  connect(mnuSaveChanges, &QAction::triggered, this, &frmMain::mnuSaveChanges_Click);
  const auto update = [this] {
    for (QAction* item : {mnuTake1, mnuTake2, mnuSaveChanges}) item->setEnabled(CanTake());
  };
  connect(mnuEdit, &QMenu::aboutToShow, this, update);
  // Once the list holds a comparison's rows, its inputs are the listed ones.
  connect(model_, &DifferenceModel::cleared, this, update);
  update();
}

bool frmMain::CanTake() const {
  return !listed_.structureMode && !listed_.archive1.isEmpty() && !listed_.archive2.isEmpty();
}

void frmMain::mnuTake1_Click() {
  TakeValues(1, TakeOutput::None);
}
void frmMain::mnuTake2_Click() {
  TakeValues(2, TakeOutput::None);
}
void frmMain::mnuSaveChanges_Click() {
  TakeValues(1, TakeOutput::ChangeSet);
}

TakeChoice frmMain::SelectedChoice() const {
  TakeChoice choice;
  std::set<std::string> addresses;
  for (const QModelIndex& shown : lvList->selectionModel()->selectedRows()) {
    const QModelIndex row = lvList->model() == filter_ ? filter_->mapToSource(shown) : shown;
    if (row.row() < list_.Count()) addresses.insert(list_.Row(row.row()).Text);
  }
  for (const std::string& address : addresses) choice.AddAddresses(address);
  return choice;
}

void frmMain::TakeValues(int from, TakeOutput preferred) {
  if (!CanTake()) {
    MsgBox("Compare two archive files first.", kMsgExclamation, build::kAppTitle);
    return;
  }
  const QString source = from == 1 ? listed_.archive1 : listed_.archive2;
  const QString target = from == 1 ? listed_.archive2 : listed_.archive1;
  TakeSession::Inputs inputs;
  inputs.target = PathBytes(target);
  inputs.source = PathBytes(source);
  inputs.options = listed_.options;
  try {
    inputs.choice = SelectedChoice();
  } catch (...) {
    ReportVBError("Error While Taking Values");
    return;
  }
  const QString title = preferred == TakeOutput::ChangeSet
                            ? QStringLiteral("Save Change Set")
                            : QStringLiteral("Take Archive %1 Values").arg(from);
  const std::optional<TakeDone> done =
      TakeIntoArchive(services_.dialogs, this, title, std::move(inputs), preferred);
  if (!done) return;
  const QString taken = QString::fromStdString(TakeSummary(done->counts));
  if (done->output == TakeOutput::ChangeSet) {
    sbCompare->setText(QStringLiteral("Change set saved as '%1': %2")
                           .arg(QFileInfo(done->written).fileName(), taken));
    return;
  }
  // The comparison again, of the source with what was written.
  (from == 1 ? txtArchive1 : txtArchive2)->setText(source);
  (from == 1 ? txtArchive2 : txtArchive1)->setText(done->written);
  cmdTwoArchives_Click();
  QString status = FieldText(list_.Status()) + QStringLiteral("; %1 values taken into '%2'")
                                                   .arg(done->counts.taken)
                                                   .arg(QFileInfo(done->written).fileName());
  if (done->counts.added > 0) status += QStringLiteral(", %1 added").arg(done->counts.added);
  if (!done->backup.isEmpty()) {
    status += QStringLiteral("; the old archive was kept as '%1'")
                  .arg(QFileInfo(done->backup).fileName());
  }
  sbCompare->setText(status);
}

}  // namespace parvex
