// The Compare with Reference window's files in and out: the reference and the
// archives chosen through the dialogs, and the report saved.
#include <QCheckBox>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>

#include <algorithm>

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "engine/base/Path.h"
#include "engine/values/Rules.h"
#include "parvex/version.h"
#include "reference/Inputs.h"
#include "reports/layouts/HtmlReport.h"
#include "reports/layouts/JsonReport.h"
#include "reports/layouts/SaveReport.h"
#include "reports/page/Report.h"
#include "ui/common/CodePage.h"
#include "ui/common/StoredSettings.h"
#include "ui/reference/ReferenceModels.h"
#include "ui/reference/frmReference.h"

namespace parvex {

namespace {

const QString kReportFilter =
    QStringLiteral("Comma Delimited (*.csv)|*.csv|Web Page (*.html)|*.html|JSON (*.json)|*.json");

}  // namespace

ReportTarget ReportTargetFor(const QString& chosen, const QString& pattern) {
  const QString fromFilter =
      pattern.startsWith(QStringLiteral("*.")) ? pattern.mid(2) : QStringLiteral("csv");
  const Layout filterLayout = ChooseLayout(PathBytes(fromFilter), std::nullopt, Layout::Csv);
  QString path = chosen;
  if (QFileInfo(chosen).suffix().isEmpty() &&
      !QFileInfo(chosen).fileName().endsWith(QLatin1Char('.'))) {
    path += QLatin1Char('.') + fromFilter;
  }
  return {path, ChooseLayout(PathBytes(path), std::nullopt, filterLayout)};
}

QString frmReference::DialogFolder() const {
  try {
    return Registry().GetItem(QStringLiteral("SavePath")).ToText();
  } catch (...) {
    return QString();
  }
}

void frmReference::RememberFolder(const QString& path) {
  SkipOnFailure([&] {
    Registry().SaveItem(QStringLiteral("SavePath"),
                        SettingValue::Text(PathText(GetPath(PathBytes(path)))));
  });
}

void frmReference::cmdBrowse_Click() {
  const DialogOwner owner(services_.dialogs, this, services_.dialogOwner);
  const auto chosen = services_.dialogs.Open(QStringLiteral("Select Reference"), DialogFolder(),
                                             QString(), QStringLiteral("(*.*)|*.*"));
  if (!chosen) return;
  txtReference->setText(*chosen);
  RememberFolder(*chosen);
}

void frmReference::cmdAddFiles_Click() {
  const DialogOwner owner(services_.dialogs, this, services_.dialogOwner);
  const QStringList chosen = services_.dialogs.OpenFiles(
      QStringLiteral("Add Archives"), DialogFolder(), QStringLiteral("(*.*)|*.*"));
  if (chosen.isEmpty()) return;
  AddArchives(chosen);
  RememberFolder(chosen.constLast());
}

void frmReference::cmdAddFolder_Click() {
  const DialogOwner owner(services_.dialogs, this, services_.dialogOwner);
  const auto chosen =
      services_.dialogs.OpenFolder(QStringLiteral("Add the Archives of a Folder"), DialogFolder());
  if (!chosen) return;
  AddArchives({*chosen});
  SkipOnFailure(
      [&] { Registry().SaveItem(QStringLiteral("SavePath"), SettingValue::Text(*chosen)); });
}

void frmReference::cmdSave_Click() {
  try {
    if (!result_) {
      MsgBox("There is nothing to save!", kMsgExclamation, build::kAppTitle);
      return;
    }
    std::optional<DialogBackend::SaveChoice> chosen;
    {
      const DialogOwner owner(services_.dialogs, this, services_.dialogOwner);
      chosen = services_.dialogs.SaveWithFilter(QStringLiteral("Save Report"), DialogFolder(),
                                                QStringLiteral("Reference report"), kReportFilter);
    }
    if (!chosen) return;
    const ReportTarget target = ReportTargetFor(chosen->path, chosen->pattern);
    RememberFolder(target.path);
    const std::string path = PathBytes(target.path);
    // A report never takes the place of a file it was made from.
    CheckReportTarget(path, result_->Inputs());
    // Replaces the target only when whole.
    SaveReport(path, target.layout, *result_);
    sbStatus->setText(QStringLiteral("Saved ") + target.path);
  } catch (...) {
    ReportVBError("Error While Saving Report", kErrCancel);
  }
}

}  // namespace parvex
