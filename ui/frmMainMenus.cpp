// The menu bar and what its items do.
#include <QCoreApplication>
#include <QMenuBar>

#include "engine/ErrorReport.h"
#include "parvex/version.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"

namespace parvex {

void frmMain::BuildMenus() {
  mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  mnuExit = mnuFile->addAction(QStringLiteral("E&xit"));
  mnuExit->setObjectName(QStringLiteral("mnuExit"));
  // The keys desktop users try first; the menus show them beside the items.
  mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
  mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  mnuDoc = mnuHelp->addAction(QStringLiteral("&Documentation"));
  mnuDoc->setObjectName(QStringLiteral("mnuDoc"));
  mnuDoc->setShortcut(QKeySequence(Qt::Key_F1));
  mnuAbout = mnuHelp->addAction(QStringLiteral("&About"));
  mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
  connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
  connect(mnuDoc, &QAction::triggered, this, &frmMain::mnuDoc_Click);
  connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

void frmMain::mnuExit_Click() {
  close();
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
