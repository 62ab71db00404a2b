// Archives that come from outside the window: the command line, and files
// dropped from a file manager.
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>

#include "ui/main/Main.h"
#include "ui/main/frmMain.h"

namespace parvex {

namespace {

// The local files of a drag, in the order they were picked; none when any
// of it is something else.
QStringList DroppedFiles(const QMimeData* data) {
  QStringList files;
  if (data == nullptr || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) return {};
    files << QDir::toNativeSeparators(url.toLocalFile());  // as Browse gives them
  }
  return files;
}

}  // namespace

void frmMain::Show(const StartArguments& start) {
  Form_Load();
  if (!start.archive1.isEmpty()) txtArchive1->setText(start.archive1);
  if (!start.archive2.isEmpty()) txtArchive2->setText(start.archive2);
  if (wantMaximized_) {
    showMaximized();
  } else {
    show();
  }
  if (start.compare) cmdTwoArchives_Click();
}

void frmMain::AcceptDrops() {
  for (QWidget* target : {static_cast<QWidget*>(txtArchive1), static_cast<QWidget*>(txtArchive2),
                          lvList->viewport()}) {
    target->setAcceptDrops(true);
    target->installEventFilter(this);
  }
}

bool frmMain::DropEvent(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  const bool onList = watched == lvList->viewport();
  QLineEdit* field = watched == txtArchive1   ? txtArchive1
                     : watched == txtArchive2 ? txtArchive2
                                              : nullptr;
  if (!onList && field == nullptr) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const QStringList files = DroppedFiles(drop->mimeData());
  // One file for a field, two for the list; anything else is left to the
  // control (a field takes dropped text as it always did).
  if (files.size() != (onList ? 2 : 1)) return false;
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type != QEvent::Drop) return true;
  if (onList) {
    txtArchive1->setText(files[0]);
    txtArchive2->setText(files[1]);
    cmdTwoArchives_Click();
  } else {
    field->setText(files[0]);
  }
  return true;
}

}  // namespace parvex
