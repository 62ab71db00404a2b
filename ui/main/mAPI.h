#pragma once

#include <QString>

#include <functional>

namespace parvex {

// Hands a file to the desktop's viewer and answers as the shell did: a number
// of 32 or more on success, else a failure code (2 file not found, 3 path not
// found, 31 no application for the file).
using ShellExecute = std::function<int(const QString& file, const QString& folder)>;

// The desktop's opener (xdg-open on freedesktop systems, QDesktopServices
// elsewhere), with its failures mapped onto the shell's codes: 2 and 3 for a
// missing file or folder, 31 when no application is registered for the type.
int DesktopShellExecute(const QString& file, const QString& folder);

// Opens the file; when the shell reports a failure of the table, its message is
// put into message, which is otherwise left as it was.
void ShellOpenFile(const QString& file, QString& folder, QString& message,
                   const ShellExecute& execute = DesktopShellExecute);

// The message for a shell failure code, or empty when there is none.
QString ShellMessage(int code);

// The manual: folder + "/Documentation/" + major minor "_" revision (three
// digits) + ".pdf".
QString ManualFileName(const QString& programFolder, int major, int minor, int revision);

}  // namespace parvex
