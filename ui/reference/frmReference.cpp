// The Compare with Reference window: its inputs and the commands that keep
// them in order.
#include "ui/reference/frmReference.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "reference/Inputs.h"
#include "ui/common/CodePage.h"
#include "ui/common/ProgramIcon.h"
#include "ui/reference/ReferenceModels.h"

namespace parvex {

namespace {

// Where a list entry keeps whether a folder brought it.
constexpr int kFromFolderRole = Qt::UserRole;

}  // namespace

frmReference::frmReference(ReferenceServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), cdlg_(services_.dialogs) {
  setObjectName(QStringLiteral("frmReference"));
  setWindowTitle(QStringLiteral("Compare with Reference"));
  setWindowIcon(ProgramIcon());
  BuildControls();
  poll_ = new QTimer(this);
  poll_->setInterval(30);
  connect(poll_, &QTimer::timeout, this, &frmReference::Poll);
  RefreshOptions();
  UpdateCommands();
}

frmReference::~frmReference() {
  // A comparison still running is cancelled and waited for by its own end.
  run_.reset();
}

void frmReference::ApplyFrozenColumns() {
  const int columns = matrixFilter->columnCount();
  for (int c = 0; c < columns; ++c) {
    tblFixed->setColumnHidden(c, c >= 2);
    tblMatrix->setColumnHidden(c, c < 2);
  }
}

void frmReference::UpdateCommands() {
  const bool running = Running();
  cmdCompare->setEnabled(!running && !txtReference->text().isEmpty() && lstArchives->count() > 0);
  cmdCancel->setEnabled(running);
  for (QWidget* w : {static_cast<QWidget*>(txtReference), static_cast<QWidget*>(cmdBrowse),
                     static_cast<QWidget*>(cmdAddFiles), static_cast<QWidget*>(cmdAddFolder),
                     static_cast<QWidget*>(cmdRemove), static_cast<QWidget*>(txtInclude),
                     static_cast<QWidget*>(chkIgnoreUnits)}) {
    w->setEnabled(!running);
  }
  lstArchives->setAcceptDrops(!running);
}

void frmReference::RefreshOptions() {
  const QString rules = RulesFile();
  lblOptions->setText(
      OptionsText(services_.options ? services_.options() : ReferenceDefaults(), rules));
  lblOptions->setToolTip(QDir::toNativeSeparators(rules));
}

QStringList frmReference::Archives() const {
  QStringList paths;
  for (int i = 0; i < lstArchives->count(); ++i) paths << lstArchives->item(i)->text();
  return paths;
}

std::vector<bool> frmReference::FromFolder() const {
  std::vector<bool> found;
  for (int i = 0; i < lstArchives->count(); ++i) {
    found.push_back(lstArchives->item(i)->data(kFromFolderRole).toBool());
  }
  return found;
}

std::vector<std::string> frmReference::IncludeGlobs() const {
  std::vector<std::string> globs;
  for (const QString& glob : txtInclude->text().split(QLatin1Char(';'))) {
    if (!glob.trimmed().isEmpty()) globs.push_back(PathBytes(glob.trimmed()));
  }
  return globs;
}

void frmReference::AddArchive(const QString& path, bool fromFolder) {
  auto* item = new QListWidgetItem(path, lstArchives);
  item->setData(kFromFolderRole, fromFolder);
}

void frmReference::AddArchives(const QStringList& paths) {
  QStringList empty;
  const std::vector<std::string> include = IncludeGlobs();
  for (const QString& path : paths) {
    const ExpandedInputs inputs = ExpandInputs({PathBytes(path)}, false, include);
    if (!inputs.error.empty()) {
      empty << path;
      continue;
    }
    // With the system's own separators, as the file dialogs give paths.
    for (std::size_t i = 0; i < inputs.paths.size(); ++i) {
      AddArchive(QDir::toNativeSeparators(PathText(inputs.paths[i])),
                 i < inputs.fromFolder.size() && inputs.fromFolder[i]);
    }
  }
  if (!empty.isEmpty()) {
    sbStatus->setText(QStringLiteral("No archive files in: ") + empty.join(QStringLiteral(", ")));
  }
}

void frmReference::cmdRemove_Click() {
  const QList<QListWidgetItem*> chosen = lstArchives->selectedItems();
  for (QListWidgetItem* item : chosen) delete item;
}

void frmReference::Show() {
  LoadSettings();
  show();
}

void frmReference::closeEvent(QCloseEvent* event) {
  SaveSettings();
  event->accept();
}

}  // namespace parvex
