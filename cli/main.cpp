// parvex-cli: the comparisons and reports of Parvex for scripts and batch jobs.
#include <QCoreApplication>

#include <clocale>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

#include "CommandLine.h"
#include "parvex/version.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
#ifdef _WIN32
  // Reports carry their own CR LF: standard output must not add a CR to each.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("parvex-cli"));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(parvex::build::kVersionText));
  return parvex::RunCommandLine(parvex::CommandLine(argc, argv));
}
