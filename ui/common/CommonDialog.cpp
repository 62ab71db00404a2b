#include "ui/common/CommonDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

#include "engine/base/Failure.h"

namespace parvex {

void CommonDialog::Cancelled() const {
  if (CancelError) throw CancelFailure();
}

void CommonDialog::ShowOpen() {
  if (auto chosen = backend_.Open(DialogTitle, InitDir, FileName, Filter)) {
    FileName = *chosen;
  } else {
    Cancelled();
  }
}

void CommonDialog::ShowSave() {
  if (auto chosen = backend_.Save(DialogTitle, InitDir, FileName, Filter)) {
    FileName = *chosen;
  } else {
    Cancelled();
  }
}

void CommonDialog::ShowPrinter() {
  if (!backend_.Printer()) Cancelled();
}

QString QtFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString pattern = parts[i + 1].trimmed();
#ifndef Q_OS_WIN
    if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
#endif
    pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
    entries << parts[i].trimmed() + QStringLiteral(" (") + pattern + QLatin1Char(')');
  }
  return entries.join(QStringLiteral(";;"));
}

namespace {

// The folder to start in, and the name to propose in it.
QString StartPath(const QString& initDir, const QString& fileName) {
  const QString name = QFileInfo(fileName).fileName();
  if (initDir.isEmpty()) return fileName;
  return QDir(initDir).filePath(name);
}

std::optional<QString> Chosen(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

}  // namespace

std::unique_ptr<QFileDialog> QtDialogs::FileDialog(bool save, const QString& title,
                                                   const QString& initDir, const QString& fileName,
                                                   const QString& filter) const {
  auto dialog = std::make_unique<QFileDialog>(parent_, title);
  dialog->setObjectName(QStringLiteral("CDlg"));
  if (save) {
    // No extension is added: the name as typed decides the report's layout.
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
  } else {
    dialog->setFileMode(QFileDialog::ExistingFile);
  }
  // The list shows the program's captions; the patterns stay behind them.
  dialog->setOption(QFileDialog::HideNameFilterDetails);
  dialog->setNameFilter(QtFilter(filter));
  const QString start = StartPath(initDir, fileName);
  if (!start.isEmpty()) {
    const QFileInfo info(start);
    if (info.isDir()) {
      dialog->setDirectory(info.absoluteFilePath());
    } else {
      dialog->setDirectory(info.absolutePath());
      dialog->selectFile(info.fileName());
    }
  }
  return dialog;
}

std::optional<QString> QtDialogs::Open(const QString& title, const QString& initDir,
                                       const QString& fileName, const QString& filter) {
  return Chosen(*FileDialog(false, title, initDir, fileName, filter));
}

std::optional<QString> QtDialogs::Save(const QString& title, const QString& initDir,
                                       const QString& fileName, const QString& filter) {
  return Chosen(*FileDialog(true, title, initDir, fileName, filter));
}

QStringList QtDialogs::OpenFiles(const QString& title, const QString& initDir,
                                 const QString& filter) {
  const auto dialog = FileDialog(false, title, initDir, QString(), filter);
  dialog->setFileMode(QFileDialog::ExistingFiles);
  if (dialog->exec() != QDialog::Accepted) return {};
  QStringList files;
  for (const QString& file : dialog->selectedFiles()) files << QDir::toNativeSeparators(file);
  return files;
}

std::optional<QString> QtDialogs::OpenFolder(const QString& title, const QString& initDir) {
  auto dialog = std::make_unique<QFileDialog>(parent_, title);
  dialog->setObjectName(QStringLiteral("CDlg"));
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly);
  if (!initDir.isEmpty()) dialog->setDirectory(initDir);
  return Chosen(*dialog);
}

std::optional<DialogBackend::SaveChoice> QtDialogs::SaveWithFilter(const QString& title,
                                                                   const QString& initDir,
                                                                   const QString& fileName,
                                                                   const QString& filter) {
  const auto dialog = FileDialog(true, title, initDir, fileName, filter);
  const auto path = Chosen(*dialog);
  if (!path) return std::nullopt;
  // The chosen entry of the list, back to the pattern the filter gave it.
  const QStringList entries = QtFilter(filter).split(QStringLiteral(";;"));
  const QStringList parts = filter.split(QLatin1Char('|'));
  const qsizetype at = entries.indexOf(dialog->selectedNameFilter());
  QString pattern;
  if (at >= 0 && 2 * at + 1 < parts.size()) pattern = parts[2 * at + 1].trimmed();
  return SaveChoice{*path, pattern};
}

void QtDialogs::ShowModal(QDialog& dialog) {
  dialog.exec();
}

bool QtDialogs::Printer() {
  QPrintDialog dialog(&printer_, parent_);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace parvex
