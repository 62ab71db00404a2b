#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace parvex {

class frmMain;
struct WindowServices;

// What the command line asks of the window: archives for its fields (made
// absolute), and whether to compare them at once.
struct StartArguments {
  QString archive1;  // empty: the field keeps what the settings hold
  QString archive2;
  bool compare = false;
};

// Reads "ARCHIVE1 [ARCHIVE2] [--compare]" (the program's name first), paths
// relative to folder. A fault is told in error, as one line.
StartArguments ReadStartArguments(const QStringList& arguments, const QString& folder,
                                  QString& error);

// The program's start: registers the settings, then creates and shows the
// main window, with the command line's archives in its fields. No splash
// window at start.
std::unique_ptr<frmMain> Main(const WindowServices& services, const StartArguments& start = {});

}  // namespace parvex
