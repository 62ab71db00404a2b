#include "ui/common/ProgramIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace parvex {

QImage ProgramIconImage(int size) {
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
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 256}) {
    icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
  }
  return icon;
}

}  // namespace parvex
