// parvex: the desktop program.
#include <QApplication>
#include <QPrinter>

#include "engine/ErrorReport.h"
#include "parvex/version.h"
#include "ui/CommonDialog.h"
#include "ui/Main.h"
#include "ui/QtMessageBox.h"
#include "ui/frmMain.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Parvex"));
  QApplication::setApplicationVersion(QString::fromLatin1(parvex::build::kVersionText));
  QApplication::setOrganizationName(QStringLiteral("Brenlo"));
  QApplication::setDesktopFileName(QStringLiteral("parvex"));

  parvex::QtMessageBox box;
  parvex::InstallErrorServices(parvex::SteadyTicks(), box);
  QPrinter printer;
  parvex::QtDialogs dialogs(nullptr, printer);
  const auto window = parvex::Main(parvex::WindowServices{dialogs, printer});
  return QApplication::exec();
}
