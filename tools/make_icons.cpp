// Draws the program's icon (the same shapes as packaging/icons/parvex.svg) as
// PNG files: make_icons OUTPUT_DIR SIZE...
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_icons OUTPUT_DIR SIZE...\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    QLinearGradient bg(0, 0, 256, 256);
    bg.setColorAt(0, QColor(0x0a, 0x20, 0x42));
    bg.setColorAt(1, QColor(0x08, 0x78, 0x7f));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 40, 40);
    p.setBrush(QColor(255, 255, 255, 64));
    p.drawRoundedRect(QRectF(40, 40, 112, 112), 16, 16);
    p.drawRoundedRect(QRectF(104, 104, 112, 112), 16, 16);
    p.setBrush(QColor(0xff, 0xbe, 0x3c));
    p.drawRoundedRect(QRectF(104, 104, 48, 48), 8, 8);
    p.end();
    const QString path = out.filePath(QStringLiteral("parvex-%1.png").arg(size));
    if (!image.save(path)) {
      std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
