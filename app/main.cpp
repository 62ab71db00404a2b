// parvex: the desktop program.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPrinter>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/Display.h"
#include "engine/base/ErrorReport.h"
#include "parvex/version.h"
#include "ui/common/CodePage.h"
#include "ui/common/CommonDialog.h"
#include "ui/common/QtMessageBox.h"
#include "ui/main/Main.h"
#include "ui/main/frmMain.h"

#ifdef Q_OS_WIN
#include <windows.h>
#undef MessageBox  // ours is a class of the engine
#else
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace {

bool AsksForHelpOrVersion(int argc, char** argv) {
  return std::any_of(argv + 1, argv + argc, [](const char* arg) {
    for (const char* name : {"-h", "--help", "--help-all", "-v", "--version"}) {
      if (std::strcmp(arg, name) == 0) return true;
    }
    return false;
  });
}

#ifdef PARVEX_HISTORY
constexpr char kHistoryHelp[] =
    " File, History... keeps every\n"
    "machine's backups over time, compares them and shows a value's\n"
    "history.";
#else
constexpr char kHistoryHelp[] = "";
#endif

// Prints the help or the version and ends the program; no window is shown.
int AnswerOnTerminal(QApplication& app) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral(
          "Compares parameter archives in a window: two archive files line by line (or\n"
          "by address), or two structures inside one archive, optionally under a rules\n"
          "file of lines to ignore and numeric tolerances. The differences are listed in\n"
          "a table and can be saved as a paginated text report, a comma-delimited file,\n"
          "a web page or JSON, or printed; the Edit menu takes one archive's values into\n"
          "the other. File, Compare with Reference... opens a second window that\n"
          "compares many archives with an approved one.") +
      QString::fromUtf8(kHistoryHelp) +
      QStringLiteral(" The main and reference\n"
                     "windows keep their inputs and placement for the next run. For scripts,\n"
                     "parvex-cli runs the same comparisons."));
  parser.addPositionalArgument(QStringLiteral("ARCHIVE1"),
                               QStringLiteral("Put this archive in the Archive 1 field."),
                               QStringLiteral("[ARCHIVE1"));
  parser.addPositionalArgument(QStringLiteral("ARCHIVE2"),
                               QStringLiteral("Put this archive in the Archive 2 field."),
                               QStringLiteral("[ARCHIVE2]]"));
  parser.addOption(QCommandLineOption(QStringLiteral("compare"),
                                      QStringLiteral("Compare the two archives at once.")));
  parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  if (parser.parse(QCoreApplication::arguments()) && parser.isSet(version)) {
    std::printf("%s %s\n", parvex::build::kExeName, parvex::build::kVersionText);
    return 0;
  }
  parser.process(app);  // shows the help, or the fault in the command line, and exits
  return 0;
}

#ifndef Q_OS_WIN
// While Qt opens the display: a display that is named but cannot be used
// (refused, or not there after all) ends the program with the same one line
// as no display at all, instead of Qt's abort and its notes on plugins.
void StartingMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const bool platform =
      context.category != nullptr && std::strncmp(context.category, "qt.qpa", 6) == 0;
  if (type == QtFatalMsg && text.contains(QStringLiteral("platform plugin"))) {
    std::fprintf(stderr, "%s: no display; set DISPLAY, run under xvfb-run, or use parvex-cli\n",
                 parvex::build::kExeName);
    std::fflush(stderr);
    std::_Exit(2);
  }
  if (platform && type != QtFatalMsg) return;
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  if (type == QtFatalMsg) std::abort();
}

// The command line after Qt took its own options out, each argument with the
// bytes it had (a file name need not be UTF-8), and the current folder so.
QStringList ArgumentsAsGiven(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments += parvex::PathText(argv[i]);
  return arguments;
}

QString CurrentFolder() {
  std::string folder(4096, '\0');
  while (::getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) return QDir::currentPath();
    folder.resize(folder.size() * 2);
  }
  folder.resize(std::strlen(folder.c_str()));
  return parvex::PathText(folder);
}
#endif

// Where the program's answers go before Qt starts: on Windows, help and
// version in the console the program was started from; elsewhere, help and
// version without a display, and no display said in one line. False when the
// program is to end at once.
bool PrepareOutput(bool terminalOnly, int argc, char** argv) {
#ifdef Q_OS_WIN
  // A window program has no console of its own: answer in the one it was
  // started from. Windows always has a display, so the usual platform serves.
  // Output that is redirected already (to a file, a pipe) stays so.
  static_cast<void>(argc);
  static_cast<void>(argv);
  const auto unset = [](DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
  };
  if (terminalOnly && unset(STD_OUTPUT_HANDLE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    if (unset(STD_ERROR_HANDLE)) std::freopen("CONOUT$", "w", stderr);
  }
#else
  if (terminalOnly) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  } else if (parvex::DisplayMissing(argc, argv)) {
    // Qt would abort with a message that names none of the ways out.
    std::fprintf(stderr, "%s: no display; set DISPLAY, run under xvfb-run, or use parvex-cli\n",
                 parvex::build::kExeName);
    return false;
  }
#endif
  return true;
}

// The command line's archives, read once Qt has taken its own options (such
// as -platform) out.
parvex::StartArguments StartArgumentsOf(int argc, char** argv, QString& error) {
#ifdef Q_OS_WIN
  static_cast<void>(argc);
  static_cast<void>(argv);
  return parvex::ReadStartArguments(QCoreApplication::arguments(), QDir::currentPath(), error);
#else
  return parvex::ReadStartArguments(ArgumentsAsGiven(argc, argv), CurrentFolder(), error);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version answer on the terminal, so they must work without a display.
  const bool terminalOnly = AsksForHelpOrVersion(argc, argv);
  if (!PrepareOutput(terminalOnly, argc, argv)) return 2;
#ifndef Q_OS_WIN
  const QtMessageHandler usual = terminalOnly ? nullptr : qInstallMessageHandler(StartingMessages);
#endif
  QApplication app(argc, argv);
#ifndef Q_OS_WIN
  if (!terminalOnly) qInstallMessageHandler(usual);
#endif
  QApplication::setApplicationName(QStringLiteral("Parvex"));
  QApplication::setApplicationVersion(QString::fromLatin1(parvex::build::kVersionText));
  QApplication::setOrganizationName(QStringLiteral("Brenlo"));
  QApplication::setDesktopFileName(QStringLiteral("parvex"));
  if (terminalOnly) return AnswerOnTerminal(app);

  QString error;
  const parvex::StartArguments start = StartArgumentsOf(argc, argv, error);
  if (!error.isEmpty()) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", parvex::build::kExeName,
                 error.toLocal8Bit().constData(), parvex::build::kExeName);
    return 2;
  }

  parvex::QtMessageBox box;
  parvex::InstallErrorServices(parvex::SteadyTicks(), box);
  QPrinter printer;
  parvex::QtDialogs dialogs(nullptr, printer);
  const auto window = parvex::Main(parvex::WindowServices{dialogs, printer}, start);
  return QApplication::exec();
}
