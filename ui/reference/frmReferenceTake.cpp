// The Compare with Reference window's way to fix what it found: the
// reference's values taken into the chosen archives, written as corrected
// copies or change sets in a folder of the person's choice.
#include <QItemSelectionModel>
#include <QLabel>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <set>

#include "engine/base/ErrorReport.h"
#include "parvex/version.h"
#include "ui/common/CodePage.h"
#include "ui/reference/ReferenceModels.h"
#include "ui/reference/frmReference.h"
#include "ui/take/TakeFlow.h"

namespace parvex {

namespace {

// The archives to take into: those selected in the summary that were read,
// or every deviating one when none is selected.
std::vector<std::size_t> ChosenArchives(const ReferenceResult& result, const QTableView& summary,
                                        const QSortFilterProxyModel& sort) {
  std::set<std::size_t> selected;
  for (const QModelIndex& index : summary.selectionModel()->selectedRows()) {
    selected.insert(static_cast<std::size_t>(sort.mapToSource(index).row()));
  }
  std::vector<std::size_t> chosen;
  for (std::size_t k = 0; k < result.archives.size(); ++k) {
    const ArchiveSummary& archive = result.archives[k];
    const bool asked = selected.empty() ? archive.Deviates() : selected.count(k) > 0;
    if (asked && archive.readable && !archive.notArchive) chosen.push_back(k);
  }
  return chosen;
}

// The addresses of the matrix rows with a selected cell; every line when
// none is.
TakeChoice ChosenRows(const ReferenceResult& result, const QTableView& matrix,
                      const QSortFilterProxyModel& filter) {
  std::set<std::string> addresses;
  for (const QModelIndex& index : matrix.selectionModel()->selectedIndexes()) {
    const auto row = static_cast<std::size_t>(filter.mapToSource(index).row());
    if (row < result.rows.size()) addresses.insert(result.rows[row].address);
  }
  TakeChoice choice;
  for (const std::string& address : addresses) choice.AddAddresses(address);
  return choice;
}

}  // namespace

void frmReference::cmdTake_Click() {
  if (Running() || !result_) {
    MsgBox("Compare the archives with the reference first.", kMsgExclamation, build::kAppTitle);
    return;
  }
  const std::vector<std::size_t> chosen = ChosenArchives(*result_, *tblSummary, *summarySort);
  if (chosen.empty()) {
    MsgBox("No archive deviates from the reference.", kMsgExclamation, build::kAppTitle);
    return;
  }
  std::vector<TakeSession::Inputs> inputs;
  try {
    const TakeChoice rows = ChosenRows(*result_, *tblMatrix, *matrixFilter);
    for (const std::size_t k : chosen) {
      inputs.push_back({result_->archives[k].path, result_->reference.path, result_->options, rows,
                        result_->Inputs()});
    }
  } catch (...) {
    ReportVBError("Error While Taking Values");
    return;
  }
  // The folder dialog opens over this window.
  const DialogOwner owner(services_.dialogs, this, services_.dialogOwner);
  const std::optional<FleetTakeDone> done =
      TakeIntoArchives(services_.dialogs, this, std::move(inputs));
  if (!done) return;
  const bool sets = done->output == TakeOutput::ChangeSet;
  const QString what =
      done->written == 1
          ? (sets ? QStringLiteral("change set") : QStringLiteral("corrected copy"))
          : (sets ? QStringLiteral("change sets") : QStringLiteral("corrected copies"));
  sbStatus->setText(
      QStringLiteral("%1 %2 written into '%3'").arg(done->written).arg(what, done->folder));
  sbStatus->setToolTip(done->lines.join(QLatin1Char('\n')));
  if (done->failed > 0) {
    MsgBox(done->lines.join(QLatin1Char('\n')).toStdString(), kMsgExclamation, build::kAppTitle);
  }
}

}  // namespace parvex
