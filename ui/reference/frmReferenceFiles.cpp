// The Compare with Reference window's commands: choosing the inputs,
// comparing on threads of its own, opening a pair and saving a report.
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
#include "reports/page/Report.h"
#include "ui/common/CodePage.h"
#include "ui/common/StoredSettings.h"
#include "ui/reference/ReferenceModels.h"
#include "ui/reference/frmReference.h"

namespace parvex {

namespace {

// The file dialogs of this window open over it, and go back to their owner
// after.
class DialogOwner {
 public:
  DialogOwner(DialogBackend& dialogs, QWidget* window, QWidget* owner)
      : dialogs_(dialogs), owner_(owner) {
    dialogs_.SetOwner(window);
  }
  ~DialogOwner() { dialogs_.SetOwner(owner_); }
  DialogOwner(const DialogOwner&) = delete;
  DialogOwner& operator=(const DialogOwner&) = delete;

 private:
  DialogBackend& dialogs_;
  QWidget* owner_;
};

const QString kReportFilter =
    QStringLiteral("Comma Delimited (*.csv)|*.csv|Web Page (*.html)|*.html|JSON (*.json)|*.json");

std::optional<Layout> LayoutOfEnding(const QString& ending) {
  const QString e = ending.toLower();
  if (e == QStringLiteral("csv")) return Layout::Csv;
  if (e == QStringLiteral("html") || e == QStringLiteral("htm")) return Layout::Html;
  if (e == QStringLiteral("json")) return Layout::Json;
  return std::nullopt;
}

}  // namespace

ReportTarget ReportTargetFor(const QString& chosen, const QString& pattern) {
  const QString fromFilter =
      pattern.startsWith(QStringLiteral("*.")) ? pattern.mid(2) : QStringLiteral("csv");
  const Layout filterLayout = LayoutOfEnding(fromFilter).value_or(Layout::Csv);
  const QString ending = QFileInfo(chosen).suffix();
  if (const auto known = LayoutOfEnding(ending)) return {chosen, *known};
  if (ending.isEmpty() && !QFileInfo(chosen).fileName().endsWith(QLatin1Char('.'))) {
    return {chosen + QLatin1Char('.') + fromFilter, filterLayout};
  }
  return {chosen, filterLayout};
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

void frmReference::cmdCompare_Click() {
  if (Running() || txtReference->text().isEmpty() || lstArchives->count() == 0) return;
  RefreshOptions();
  ReferenceRequest request;
  request.reference = PathBytes(txtReference->text());
  for (const QString& path : Archives()) request.archives.push_back(PathBytes(path));
  request.names = ColumnNames(request.archives);
  request.fromFolder = FromFolder();
  // None from a folder: every archive named singly, as the request would
  // have it.
  if (std::find(request.fromFolder.begin(), request.fromFolder.end(), true) ==
      request.fromFolder.end()) {
    request.fromFolder.clear();
  }
  request.options = services_.options ? services_.options() : ReferenceOptions{};
  request.options.units = !chkIgnoreUnits->isChecked();
  // Read at each comparison, so that an edited file takes effect at once; a
  // file that cannot be used is told and the previous result stays.
  if (const QString rules = RulesFile(); !rules.isEmpty()) {
    try {
      request.options.rules = Rules::Read(PathBytes(rules));
    } catch (...) {
      ReportVBError("Error While Reading Rules");
      return;
    }
  }

  run_ = std::make_unique<Run>();
  Run* run = run_.get();
  run->total = request.archives.size();
  request.cancel = &run->cancel;
  request.progress = [run](std::size_t done, std::size_t) { run->done = done; };
  prgCompare->setRange(0, static_cast<int>(run->total));
  prgCompare->setValue(0);
  sbStatus->setText(QStringLiteral("Comparing..."));
  UpdateCommands();
  run->thread = std::thread([run, request, compare = services_.compare] {
    try {
      run->result = compare(request);
    } catch (...) {
      const Failure failure = CurrentFailure();
      run->result = ReferenceResult{};
      run->result.reference.failure = failure.Description();
    }
    run->finished = true;
  });
  poll_->start();
}

void frmReference::cmdCancel_Click() {
  if (!run_) return;
  run_->cancel = true;
  cmdCancel->setEnabled(false);
  sbStatus->setText(QStringLiteral("Cancelling..."));
}

void frmReference::Poll() {
  if (!run_) {
    poll_->stop();
    return;
  }
  prgCompare->setValue(static_cast<int>(run_->done.load()));
  if (!run_->finished) return;
  poll_->stop();
  run_->thread.join();
  ReferenceResult result = std::move(run_->result);
  const bool cancelled = run_->cancel.load();
  run_.reset();
  UpdateCommands();
  if (cancelled) {
    prgCompare->setValue(0);
    sbStatus->setText(QStringLiteral("Cancelled: the result shown is the one before."));
    return;
  }
  Finish(std::move(result));
}

void frmReference::Finish(ReferenceResult result) {
  if (!result.reference.readable) {
    // One message for the run; the result before stays on screen.
    sbStatus->setText(QStringLiteral("The reference cannot be read."));
    MsgBox("The reference cannot be read: " + result.reference.failure, kMsgExclamation,
           build::kAppTitle);
    return;
  }
  result_ = std::make_shared<const ReferenceResult>(std::move(result));
  tblSummary->clearSelection();
  summaryModel->SetResult(result_);
  matrixFilter->SetArchives({});
  matrixModel->SetResult(result_);
  ApplyArchiveFilter();
  tblSummary->resizeColumnsToContents();
  tblMatrix->resizeColumnsToContents();
  const QString notes = ResultNotesText(*result_);
  lblNotes->setText(notes);
  lblNotes->setVisible(!notes.isEmpty());
  sbStatus->setText(ResultStatusText(*result_));
}

void frmReference::ApplyArchiveFilter() {
  std::set<std::uint32_t> chosen;
  if (chkSelectedOnly->isChecked()) {
    for (const QModelIndex& index : tblSummary->selectionModel()->selectedRows()) {
      chosen.insert(static_cast<std::uint32_t>(summarySort->mapToSource(index).row()));
    }
  }
  matrixFilter->SetArchives(std::move(chosen));
  ApplyFrozenColumns();
}

void frmReference::OpenPair(int archive) {
  if (!result_ || archive < 0 || archive >= static_cast<int>(result_->archives.size())) return;
  if (!services_.openPair) return;
  services_.openPair(PathText(result_->reference.path),
                     PathText(result_->archives[static_cast<std::size_t>(archive)].path));
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
    OutputFile file(path);
    switch (target.layout) {
      case Layout::Json:
        WriteReferenceJson(file.Stream(), *result_);
        break;
      case Layout::Html:
        WriteReferenceHtml(file.Stream(), *result_, ReportDate());
        break;
      default:
        WriteReferenceCsv(file.Stream(), *result_);
    }
    file.Commit();
    sbStatus->setText(QStringLiteral("Saved ") + target.path);
  } catch (...) {
    ReportVBError("Error While Saving Report", kErrCancel);
  }
}

}  // namespace parvex
