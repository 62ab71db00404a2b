// The menu bar and what its items do.
#include <QCoreApplication>
#include <QMenuBar>

#include "engine/base/ErrorReport.h"
#include "parvex/version.h"
#include "ui/common/StoredSettings.h"
#include "ui/main/frmMain.h"
#include "ui/main/frmSplash.h"

namespace parvex {

void frmMain::BuildMenus() {
  mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  mnuReference = mnuFile->addAction(QStringLiteral("Compare with &Reference..."));
  mnuReference->setObjectName(QStringLiteral("mnuReference"));
  mnuReference->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  mnuExit = mnuFile->addAction(QStringLiteral("E&xit"));
  mnuExit->setObjectName(QStringLiteral("mnuExit"));
  // The keys desktop users try first; the menus show them beside the items.
  mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  BuildEditMenu();
#ifdef PARVEX_HISTORY
  BuildHistoryItems();
#endif
  // Comparison options, off by default and remembered as soon as they change.
  mnuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
  mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
  mnuMatchByAddress = mnuOptions->addAction(QStringLiteral("Match Lines by &Address"));
  mnuMatchByAddress->setObjectName(QStringLiteral("mnuMatchByAddress"));
  mnuMatchByAddress->setCheckable(true);
  mnuNumbersByValue = mnuOptions->addAction(QStringLiteral("Compare &Numbers by Value"));
  mnuNumbersByValue->setObjectName(QStringLiteral("mnuNumbersByValue"));
  mnuNumbersByValue->setCheckable(true);
  mnuCompareUnits = mnuOptions->addAction(QStringLiteral("Compare &Units"));
  mnuCompareUnits->setObjectName(QStringLiteral("mnuCompareUnits"));
  mnuCompareUnits->setCheckable(true);
  BuildRulesMenu();
  mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
  mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  mnuDoc = mnuHelp->addAction(QStringLiteral("&Documentation"));
  mnuDoc->setObjectName(QStringLiteral("mnuDoc"));
  mnuDoc->setShortcut(QKeySequence(Qt::Key_F1));
  mnuAbout = mnuHelp->addAction(QStringLiteral("&About"));
  mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
  connect(mnuReference, &QAction::triggered, this, &frmMain::mnuReference_Click);
  connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
  // Only a person's choice is stored: loading the settings sets the marks too.
  connect(mnuMatchByAddress, &QAction::triggered, this, &frmMain::mnuMatchByAddress_Click);
  connect(mnuNumbersByValue, &QAction::triggered, this, &frmMain::mnuNumbersByValue_Click);
  connect(mnuCompareUnits, &QAction::triggered, this, &frmMain::mnuCompareUnits_Click);
  connect(mnuDoc, &QAction::triggered, this, &frmMain::mnuDoc_Click);
  connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

void frmMain::mnuExit_Click() {
  close();
}

void frmMain::mnuMatchByAddress_Click() {
  SaveOption("MatchByAddress", mnuMatchByAddress);
}

void frmMain::mnuNumbersByValue_Click() {
  SaveOption("NumbersByValue", mnuNumbersByValue);
}

void frmMain::mnuCompareUnits_Click() {
  SaveOption("CompareUnits", mnuCompareUnits);
}

void frmMain::SaveOption(const char* name, const QAction* item) {
  try {
    Registry().SaveItem(QString::fromLatin1(name), SettingValue::Int32(item->isChecked() ? 1 : 0));
  } catch (...) {
    ReportVBError("Error While Saving Settings");
  }
}

CompareOptions frmMain::Options() const {
  CompareOptions options{mnuMatchByAddress->isChecked() || byAddressOnce_,
                         mnuNumbersByValue->isChecked()};
  options.CompareUnits = mnuCompareUnits->isChecked();
  options.IncludeReadOnly = IncludeReadOnly();
  return options;
}

void frmMain::mnuDoc_Click() {
  const QString manual =
      ManualFileName(QCoreApplication::applicationDirPath(), build::kVersionMajor,
                     build::kVersionMinor, build::kVersionRevision);
  QString folder;
  QString message;
  ShellOpenFile(manual, folder, message, services_.shell);
  if (!message.isEmpty()) MsgBox(message.toStdString(), kMsgExclamation, build::kAppTitle);
}

void frmMain::mnuAbout_Click() {
  frmSplash splash;
  services_.dialogs.ShowModal(splash);
}

}  // namespace parvex
