#include "ui/main/Main.h"

#include <QCommandLineParser>
#include <QDir>

#include "settings/Catalogue.h"
#include "ui/main/frmMain.h"

namespace parvex {

StartArguments ReadStartArguments(const QStringList& arguments, const QString& folder,
                                  QString& error) {
  QCommandLineParser parser;
  const QCommandLineOption compare(QStringLiteral("compare"));
  parser.addOption(compare);
  StartArguments start;
  if (!parser.parse(arguments)) {
    error = parser.errorText();
    return start;
  }
  const QStringList archives = parser.positionalArguments();
  if (archives.size() > 2) {
    error = QStringLiteral("at most two archives, not %1").arg(archives.size());
    return start;
  }
  const QDir base(folder);
  const auto absolute = [&base](const QString& path) {
    return QDir::toNativeSeparators(QDir::cleanPath(base.absoluteFilePath(path)));
  };
  if (!archives.isEmpty()) start.archive1 = absolute(archives[0]);
  if (archives.size() == 2) start.archive2 = absolute(archives[1]);
  start.compare = parser.isSet(compare);
  return start;
}

std::unique_ptr<frmMain> Main(const WindowServices& services, const StartArguments& start) {
  ConfigureRegistry();
  auto window = std::make_unique<frmMain>(services);
  window->Show(start);
  return window;
}

}  // namespace parvex
