#include "ui/main/mAPI.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace parvex {

QString ShellMessage(int code) {
  switch (code) {
    case 0:
      return QStringLiteral(
          "The file could not be run due to insufficient system memory or a corrupt program file");
    case 2:
      return QStringLiteral("File Not Found");
    case 3:
      return QStringLiteral("Invalid Path");
    case 5:
      return QStringLiteral("Sharing or protection error");
    case 6:
      return QStringLiteral("Separate data segments are required For Each task ");
    case 8:
      return QStringLiteral("Insufficient memory To run the program");
    case 10:
      return QStringLiteral("Incorrect Windows version");
    case 11:
      return QStringLiteral("Invalid Program File");
    case 12:
      return QStringLiteral("Program file requires a different operating System ");
    case 13:
      return QStringLiteral("Program requires MS-DOS 4.0");
    case 14:
      return QStringLiteral("Unknown program file type");
    case 15:
      return QStringLiteral("Windows prgram does Not support protected memory mode");
    case 16:
      return QStringLiteral(
          "Invalid use of data segments when loading a second instance of a program");
    case 19:
      return QStringLiteral("Attempt To run a compressed program file");
    case 20:
      return QStringLiteral("Invalid dynamic link library");
    case 21:
      return QStringLiteral("Program requires Windows 32-bit extensions");
    case 31:
      return QStringLiteral("No application found For this file");
    default:
      return QString();
  }
}

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
// xdg-mime's answer, or empty when it gives none in time.
QString XdgMime(const QStringList& arguments) {
  QProcess query;
  query.start(QStringLiteral("xdg-mime"), arguments);
  if (!query.waitForFinished(10000)) {
    query.kill();
    query.waitForFinished();
    return QString();
  }
  if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return QString();
  return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

// Whether the desktop names an application for the file's type, asked as
// xdg-open asks it; the application's desktop file must exist too.
bool DesktopHasViewer(const QString& file) {
  const QString type = XdgMime({QStringLiteral("query"), QStringLiteral("filetype"), file})
                           .section(QLatin1Char(';'), 0, 0);
  if (type.isEmpty()) return false;
  const QString application = XdgMime({QStringLiteral("query"), QStringLiteral("default"), type});
  return !application.isEmpty() &&
         !QStandardPaths::locate(QStandardPaths::ApplicationsLocation, application).isEmpty();
}
#endif

}  // namespace

int DesktopShellExecute(const QString& file, const QString& /*folder*/) {
  const QFileInfo info(file);
  if (!info.exists()) return info.absoluteDir().exists() ? 2 : 3;
  if (!info.isReadable()) return 5;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
  // xdg-open starts whether or not an application takes the file, and then
  // fails where the user cannot see it: ask first, so the window can say so.
  if (!DesktopHasViewer(info.absoluteFilePath())) return 31;
  return QProcess::startDetached(QStringLiteral("xdg-open"), {info.absoluteFilePath()}) ? 42 : 31;
#else
  return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? 42 : 31;
#endif
}

void ShellOpenFile(const QString& file, QString& folder, QString& message,
                   const ShellExecute& execute) {
  const int result = execute(file, folder);
  if (result < 32) {
    const QString text = ShellMessage(result);
    if (!text.isEmpty()) message = text;
  }
}

QString ManualFileName(const QString& programFolder, int major, int minor, int revision) {
  return programFolder + QStringLiteral("/Documentation/") + QString::number(major) +
         QString::number(minor) + QLatin1Char('_') +
         QStringLiteral("%1").arg(revision, 3, 10, QLatin1Char('0')) + QStringLiteral(".pdf");
}

}  // namespace parvex
