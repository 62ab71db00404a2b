// The Compare with Reference window's run: the comparison on threads of its
// own while the window stays responsive, its result shown, and the pair of
// one archive opened in the main window.
#include <QCheckBox>
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
#include "engine/values/Rules.h"
#include "parvex/version.h"
#include "reference/Inputs.h"
#include "ui/common/CodePage.h"
#include "ui/reference/ReferenceModels.h"
#include "ui/reference/frmReference.h"

namespace parvex {

std::optional<ReferenceRequest> frmReference::Request() {
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
  request.options = services_.options ? services_.options() : ReferenceDefaults();
  request.options.CompareUnits = !chkIgnoreUnits->isChecked();
  // Read at each comparison, so that an edited file takes effect at once; a
  // file that cannot be used is told and the previous result stays.
  if (const QString rules = RulesFile(); !rules.isEmpty()) {
    try {
      request.options.AppliedRules = Rules::Read(PathBytes(rules));
    } catch (...) {
      ReportVBError("Error While Reading Rules");
      return std::nullopt;
    }
  }
  return request;
}

void frmReference::cmdCompare_Click() {
  if (Running() || txtReference->text().isEmpty() || lstArchives->count() == 0) return;
  RefreshOptions();
  std::optional<ReferenceRequest> asked = Request();
  if (!asked) return;
  ReferenceRequest& request = *asked;
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

}  // namespace parvex
