// The History window's commands: adding snapshots, the baseline, comparing
// two snapshots in the main window, and writing one out.
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "parvex/version.h"
#include "ui/common/CodePage.h"
#include "ui/history/HistoryTexts.h"
#include "ui/history/frmHistory.h"
#include "ui/history/frmValueHistory.h"

namespace parvex {

namespace {

std::string ReadWhole(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    throw Failure(kErrFileAccess,
                  "'" + PathBytes(path) + "' cannot be read: " + file.errorString().toStdString());
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    throw Failure(kErrDeviceIo,
                  "'" + PathBytes(path) + "' cannot be read: " + file.errorString().toStdString());
  }
  return bytes.toStdString();
}

void WriteWhole(const QString& path, const std::string& bytes) {
  OutputFile out(PathBytes(path));
  out.Write(bytes);
  out.Commit();
}

void Tell(const char* prompt) {
  MsgBox(prompt, kMsgExclamation, build::kAppTitle);
}

}  // namespace

void frmHistory::cmdAdd_Click() {
  QStringList files;
  {
    const DialogOwner owner(services_.dialogs, this, services_.dialogOwner);
    files = services_.dialogs.OpenFiles(QStringLiteral("Add Snapshots"), DialogFolder(),
                                        QStringLiteral("(*.*)|*.*"));
  }
  if (files.isEmpty()) return;
  RememberFolder(files.front());
  AddFiles(files);
}

QString frmHistory::AskMachineName(const QStringList& files) {
  QDialog dialog(this);
  dialog.setObjectName(QStringLiteral("frmMachineName"));
  dialog.setWindowTitle(QStringLiteral("New Machine"));
  auto* name = new QLineEdit(&dialog);
  name->setObjectName(QStringLiteral("txtMachine"));
  name->setAccessibleName(QStringLiteral("Machine name"));
  // Service folders keep one folder per machine: its name is a good guess.
  name->setText(QFileInfo(files.front()).absoluteDir().dirName());
  name->selectAll();
  auto* label = new QLabel(
      QStringLiteral("The &machine these %1 snapshots belong to:").arg(files.size()), &dialog);
  label->setBuddy(name);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(label);
  layout->addWidget(name);
  layout->addWidget(buttons);
  services_.dialogs.ShowModal(dialog);
  if (dialog.result() != QDialog::Accepted) return {};
  return name->text().trimmed();
}

void frmHistory::AddFiles(const QStringList& files) {
  if (!store_ || files.isEmpty()) return;
  QString machine = Machine();
  if (machine.isEmpty()) machine = AskMachineName(files);
  if (machine.isEmpty()) return;
  const auto [added, known] = AddEach(machine, files);
  Refresh();
  SelectMachine(machine);
  QString status = QStringLiteral("%1 snapshot(s) added to %2").arg(added).arg(machine);
  if (known > 0) status += QStringLiteral("; %1 already in the store").arg(known);
  sbStatus->setText(status);
}

std::pair<int, int> frmHistory::AddEach(const QString& machine, const QStringList& files) {
  // Each add is quick; many of them are not: a progress that can be stopped,
  // which keeps the windows painted between files and takes no other command
  // meanwhile.
  QProgressDialog progress(QStringLiteral("Adding snapshots of %1...").arg(machine),
                           QStringLiteral("Stop"), 0, static_cast<int>(files.size()), this);
  progress.setObjectName(QStringLiteral("prgAdd"));
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setMinimumDuration(400);
  int added = 0;
  int known = 0;
  try {
    for (qsizetype i = 0; i < files.size() && !progress.wasCanceled(); ++i) {
      const std::string bytes = ReadWhole(files[i]);
      const UnixSeconds taken = QFileInfo(files[i]).lastModified().toSecsSinceEpoch();
      const AddOutcome outcome = store_->Add(machine.toStdString(), bytes, taken, std::string());
      (outcome.added ? added : known) += 1;
      progress.setValue(static_cast<int>(i + 1));
    }
  } catch (...) {
    // What was added before stays; the message names the file or the store.
    ReportVBError("Error While Adding Snapshots");
  }
  return {added, known};
}

void frmHistory::cmdBaseline_Click() {
  const std::vector<SnapshotSummary> chosen = SelectedSnapshots();
  if (!store_ || chosen.size() != 1) return;
  try {
    store_->SetBaseline(Machine().toStdString(), chosen.front().id);
    Refresh();
    sbStatus->setText(QStringLiteral("Baseline of %1: the snapshot taken %2")
                          .arg(Machine(), TimeText(chosen.front().taken)));
  } catch (...) {
    ReportVBError("Error While Marking the Baseline");
  }
}

QString frmHistory::WriteForCompare(const SnapshotSummary& snapshot, bool clash) {
  if (!compared_) {
    // Private to this run and this person: the folder is made readable by
    // its owner only and goes with the window.
    compared_ = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                QStringLiteral("/parvex-history-XXXXXX"));
    if (!compared_->isValid()) {
      const std::string why = compared_->errorString().toStdString();
      compared_.reset();
      throw Failure(kErrPathNotFound, "No temporary folder for the snapshots: " + why);
    }
  }
  const QString path = QDir::toNativeSeparators(compared_->filePath(SnapshotFileName(
      Machine(), snapshot.taken, clash ? std::optional<SnapshotId>(snapshot.id) : std::nullopt)));
  WriteWhole(path, store_->Bytes(snapshot.id));
  return path;
}

void frmHistory::cmdCompare_Click() {
  std::vector<SnapshotSummary> pair = SelectedSnapshots();
  if (!store_ || pair.empty() || pair.size() > 2) return;
  if (pair.size() == 1) {
    const auto baseline =
        std::find_if(log_.begin(), log_.end(), [](const SnapshotSummary& s) { return s.baseline; });
    if (baseline == log_.end()) return Tell("Select two snapshots, or mark a baseline first.");
    if (baseline->id == pair.front().id) {
      return Tell("This snapshot is the baseline: select another one to compare with it.");
    }
    pair.insert(pair.begin(), *baseline);
  }
  const bool clash = pair[0].taken == pair[1].taken;
  const bool withBaseline = SelectedSnapshots().size() == 1;
  QString first;
  QString second;
  try {
    first = WriteForCompare(pair[0], clash);
    second = WriteForCompare(pair[1], clash);
  } catch (...) {
    ReportVBError("Error While Comparing Snapshots");
    return;
  }
  const QString caption =
      QStringLiteral("Snapshots of %1: %2%3 against %4")
          .arg(Machine(), TimeText(pair[0].taken),
               withBaseline ? QStringLiteral(" (baseline)") : QString(), TimeText(pair[1].taken));
  if (services_.openPair) services_.openPair(first, second, caption);
  sbStatus->setText(caption);
}

void frmHistory::cmdSave_Click() {
  const std::vector<SnapshotSummary> chosen = SelectedSnapshots();
  if (!store_ || chosen.size() != 1) return;
  try {
    {
      const DialogOwner owner(services_.dialogs, this, services_.dialogOwner);
      cdlg_.CancelError = true;
      cdlg_.DialogTitle = QStringLiteral("Save Snapshot As");
      cdlg_.InitDir = DialogFolder();
      cdlg_.FileName = SnapshotFileName(Machine(), chosen.front().taken);
      cdlg_.Filter = QStringLiteral("Archive (*.arc)|*.arc|(*.*)|*.*");
      cdlg_.ShowSave();
    }
    const QString path = cdlg_.FileName;
    RememberFolder(path);
    WriteWhole(path, store_->Bytes(chosen.front().id));
    sbStatus->setText(QStringLiteral("Snapshot saved as '%1'").arg(path));
  } catch (...) {
    ReportVBError("Error While Saving the Snapshot", kErrCancel);
  }
}

void frmHistory::ShowValueHistory(const std::string& address) {
  const QString machine = Machine();
  if (!store_ || machine.isEmpty()) return;
  std::vector<ValueStep> steps;
  try {
    steps = store_->ValueHistory(machine.toStdString(), address);
  } catch (...) {
    ReportVBError("Error While Reading the History Store");
    return;
  }
  const std::optional<UnixSeconds> until =
      log_.empty() ? std::nullopt : std::optional<UnixSeconds>(log_.back().taken);
  frmValueHistory window(machine, FieldText(address), std::move(steps), until, this);
  services_.dialogs.ShowModal(window);
}

}  // namespace parvex
