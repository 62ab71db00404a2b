#include "ui/CommonDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

#include "engine/Failure.h"

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

}  // namespace

std::optional<QString> QtDialogs::Open(const QString& title, const QString& initDir,
                                       const QString& fileName, const QString& filter) {
  const QString chosen =
      QFileDialog::getOpenFileName(parent_, title, StartPath(initDir, fileName), QtFilter(filter));
  if (chosen.isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(chosen);
}

std::optional<QString> QtDialogs::Save(const QString& title, const QString& initDir,
                                       const QString& fileName, const QString& filter) {
  // No extension is added: the name as typed decides the report's layout.
  const QString chosen =
      QFileDialog::getSaveFileName(parent_, title, StartPath(initDir, fileName), QtFilter(filter));
  if (chosen.isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(chosen);
}

void QtDialogs::ShowModal(QDialog& dialog) {
  dialog.exec();
}

bool QtDialogs::Printer() {
  QPrintDialog dialog(&printer_, parent_);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace parvex
