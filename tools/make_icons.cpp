// Writes the program's icon as PNG files: make_icons OUTPUT_DIR SIZE...
#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>

#include "ui/ProgramIcon.h"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_icons OUTPUT_DIR SIZE...\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    const QString path = out.filePath(QStringLiteral("parvex-%1.png").arg(size));
    if (!parvex::ProgramIconImage(size).save(path)) {
      std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
