// The rules file of the Options menu: chosen, shown, switched off, and read
// again at every comparison, so that an edited file takes effect at once.
#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include "engine/base/ErrorReport.h"
#include "engine/values/Rules.h"
#include "ui/common/CodePage.h"
#include "ui/common/StoredSettings.h"
#include "ui/main/frmMain.h"
#include "ui/reference/frmReference.h"

namespace parvex {

void frmMain::BuildRulesMenu() {
  mnuOptions->addSeparator();
  mnuRulesFile = mnuOptions->addAction(QStringLiteral("&Rules File..."));
  mnuRulesFile->setObjectName(QStringLiteral("mnuRulesFile"));
  mnuRulesFile->setCheckable(true);
  mnuRulesOff = mnuOptions->addAction(QStringLiteral("No Rules"));
  mnuRulesOff->setObjectName(QStringLiteral("mnuRulesOff"));
  connect(mnuRulesFile, &QAction::triggered, this, &frmMain::mnuRulesFile_Click);
  connect(mnuRulesOff, &QAction::triggered, this, &frmMain::mnuRulesOff_Click);
}

QString frmMain::RulesPath() const {
  try {
    return Registry().GetItem(QStringLiteral("RulesFile")).ToText();
  } catch (...) {
    return QString();
  }
}

void frmMain::ShowRulesFile() {
  const QString path = RulesPath();
  // A checkable item checks itself when chosen: the setting decides.
  mnuRulesFile->setChecked(!path.isEmpty());
  mnuRulesFile->setText(path.isEmpty()
                            ? QStringLiteral("&Rules File...")
                            : QStringLiteral("&Rules File: %1...").arg(QFileInfo(path).fileName()));
  mnuRulesOff->setEnabled(!path.isEmpty());
  if (reference_) reference_->RefreshOptions();
}

void frmMain::mnuRulesFile_Click() {
  try {
    CommonDialog dialog(services_.dialogs);
    dialog.CancelError = true;
    dialog.DialogTitle = QStringLiteral("Select Rules File");
    const QString current = RulesPath();
    dialog.InitDir = current.isEmpty() ? Registry().GetItem(QStringLiteral("SavePath")).ToText()
                                       : QFileInfo(current).absolutePath();
    dialog.Filter = QStringLiteral("Rules (*.toml)|*.toml|(*.*)|*.*");
    dialog.ShowOpen();
    // A file that would be refused is told now and not taken.
    Rules::Read(PathBytes(dialog.FileName));
    Registry().SaveItem(QStringLiteral("RulesFile"), SettingValue::Text(dialog.FileName));
  } catch (...) {
    ReportVBError("Error While Reading Rules", kErrCancel);
  }
  ShowRulesFile();
}

void frmMain::mnuRulesOff_Click() {
  try {
    Registry().SaveItem(QStringLiteral("RulesFile"), SettingValue::Text(QString()));
  } catch (...) {
    ReportVBError("Error While Saving Settings");
  }
  ShowRulesFile();
}

bool frmMain::ReadRules(ComparisonInputs& inputs) {
  inputs.rules.reset();
  inputs.options.AppliedRules = nullptr;
  try {
    const QString path = RulesPath();
    if (path.isEmpty()) return true;
    inputs.rules = Rules::Read(PathBytes(path));
    inputs.options.AppliedRules = inputs.rules;
    return true;
  } catch (...) {
    ReportVBError("Error While Reading Rules");
    return false;
  }
}

}  // namespace parvex
