// Writes the program's icon as PNG files, and as parvex.ico for the Windows
// executables: make_icons OUTPUT_DIR SIZE...
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>

#include "ui/common/ProgramIcon.h"

namespace {

void Put16(QByteArray& out, int value) {
  out.append(static_cast<char>(value & 0xff));
  out.append(static_cast<char>((value >> 8) & 0xff));
}

void Put32(QByteArray& out, qint64 value) {
  Put16(out, static_cast<int>(value & 0xffff));
  Put16(out, static_cast<int>((value >> 16) & 0xffff));
}

// An icon file holding one PNG image for each size, as Windows reads them
// since Vista; a size of 256 is written as 0 in the one-byte fields.
QByteArray IconFile(const QList<int>& sizes) {
  QList<QByteArray> images;
  for (const int size : sizes) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    parvex::ProgramIconImage(size).save(&buffer, "PNG");
    images.append(png);
  }
  QByteArray out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // an icon, not a cursor
  Put16(out, static_cast<int>(sizes.size()));
  qint64 offset = 6 + 16 * sizes.size();
  for (qsizetype i = 0; i < sizes.size(); ++i) {
    out.append(static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]));
    out.append(static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]));
    out.append('\0');  // no palette
    out.append('\0');  // reserved
    Put16(out, 1);     // colour planes
    Put16(out, 32);    // bits a pixel
    Put32(out, images[i].size());
    Put32(out, offset);
    offset += images[i].size();
  }
  for (const QByteArray& png : images) out.append(png);
  return out;
}

}  // namespace

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
  QFile ico(out.filePath(QStringLiteral("parvex.ico")));
  const QByteArray bytes = IconFile({16, 32, 48, 256});
  if (!ico.open(QIODevice::WriteOnly) || ico.write(bytes) != bytes.size() || !ico.flush()) {
    std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(ico.fileName()));
    return 1;
  }
  return 0;
}
