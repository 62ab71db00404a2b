#include "ui/main/frmSplash.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>

#include <cmath>

#include "engine/base/ErrorReport.h"
#include "ui/main/MainLayout.h"
#include "ui/main/frmMain.h"

namespace parvex {

namespace {

constexpr int kDesignDpi = 96;  // the picture is 546 x 382 pixels: 8190 x 5730 twips

QFont Arial(qreal points) {
  QFont font(QStringLiteral("Arial"));
  if (QFontInfo(font).family() != QStringLiteral("Arial"))
    font.setFamily(QStringLiteral("Liberation Sans"));
  font.setPointSizeF(points);
  return font;
}

}  // namespace

QPixmap LogoPixmap() {
  QImage image(546, 382, QImage::Format_RGB888);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 546, 382);
  sky.setColorAt(0.0, QColor(10, 32, 66));
  sky.setColorAt(0.55, QColor(18, 72, 110));
  sky.setColorAt(1.0, QColor(8, 120, 130));
  p.fillRect(image.rect(), sky);

  // A faint grid, like a trend recorder's paper.
  p.setPen(QPen(QColor(255, 255, 255, 22), 1));
  for (int x = 0; x < 546; x += 26) p.drawLine(x, 0, x, 382);
  for (int y = 0; y < 382; y += 26) p.drawLine(0, y, 546, y);

  // Two traces that agree, then part: what the program looks for.
  const auto trace = [&p](const QColor& color, double shift, double bump) {
    QPainterPath path;
    for (int x = 0; x <= 220; ++x) {
      const double t = x / 220.0;
      const double y = 190 - 60 * std::sin(t * 6.0) * std::exp(-t) -
                       (t > 0.55 ? bump * (t - 0.55) * 2.2 : 0.0) + shift;
      if (x == 0) {
        path.moveTo(x + 12, y);
      } else {
        path.lineTo(x + 12, y);
      }
    }
    p.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(path);
  };
  trace(QColor(120, 220, 255), 0, 0);
  trace(QColor(255, 190, 60), 1, 70);

  // The mark: two overlapping squares, the overlap lit.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 40));
  p.drawRoundedRect(QRectF(40, 40, 90, 90), 12, 12);
  p.drawRoundedRect(QRectF(85, 85, 90, 90), 12, 12);
  p.setBrush(QColor(255, 190, 60, 200));
  p.drawRoundedRect(QRectF(85, 85, 45, 45), 6, 6);

  // A band for the maker's lines.
  p.setBrush(QColor(0, 0, 0, 70));
  p.drawRect(QRectF(0, 214, 221, 168));
  p.end();
  return QPixmap::fromImage(image);
}

namespace {

int Px(float twips) {
  return TwipsToPixels(twips, kDesignDpi);
}

// A white caption on the picture at its design place (twips). A caption wider
// in this font than in the design's keeps its whole text, growing away from
// the side it is aligned to.
QLabel* Caption(QWidget* picture, const char* name, const QString& text, const TwipRect& at,
                qreal points, Qt::Alignment align) {
  auto* label = new QLabel(text, picture);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(Arial(points));
  QPalette white = label->palette();
  white.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(white);
  label->setAlignment(align | Qt::AlignTop);
  label->setGeometry(Px(at.Left), Px(at.Top), Px(at.Width), Px(at.Height));
  const int need = label->sizeHint().width();
  if (need > label->width()) {
    const int x = align & Qt::AlignRight ? label->geometry().right() + 1 - need : label->x();
    label->setGeometry(x, label->y(), need, std::max(label->height(), label->sizeHint().height()));
  }
  return label;
}

}  // namespace

frmSplash::frmSplash(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSplash"));
  // No title bar, not in the task bar, the size of the picture.
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
  setWindowTitle(QString());
  setFixedSize(Px(8190), Px(5730));
  picLogo = new QLabel(this);
  picLogo->setObjectName(QStringLiteral("picLogo"));
  picLogo->setPixmap(LogoPixmap());
  picLogo->setGeometry(0, 0, 546, 382);
  BuildCaptions();
  BuildMakerLines();

  cmdOK = new QPushButton(QStringLiteral("OK"), picLogo);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  QFont okFont = cmdOK->font();
  okFont.setPointSizeF(9.75);
  cmdOK->setFont(okFont);
  cmdOK->setGeometry(Px(3720), Px(4920), Px(1467), Px(585));
  cmdOK->setDefault(true);
  cmdOK->setAutoDefault(true);
  connect(cmdOK, &QPushButton::clicked, this, &frmSplash::cmdOK_Click);

  Form_Load();

  // Centred on the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void frmSplash::BuildCaptions() {
  lblCompanyProduct = Caption(picLogo, "lblCompanyProduct", QStringLiteral("Brenlo HMI"),
                              {3555, 360, 1650, 405}, 18, Qt::AlignLeft);
  lblCustomerName = Caption(picLogo, "lblCustomerName", QStringLiteral("Parvex"),
                            {3555, 720, 4455, 1395}, 27.75, Qt::AlignLeft);
  lblCustomerName->setWordWrap(true);
  lblPlatform = Caption(picLogo, "lblPlatform", QStringLiteral("Windows 9x/NT/2000/XP"),
                        {4635, 3780, 3285, 345}, 15, Qt::AlignRight);
  lblVersion = Caption(picLogo, "lblVersion", QStringLiteral("Version"), {5565, 4140, 2370, 270},
                       12, Qt::AlignRight);
  lblCopyright = Caption(picLogo, "lblCopyright", QStringLiteral("\u00a9 2026 Brenlo Automation"),
                         {5760, 4860, 2415, 255}, 8.25, Qt::AlignLeft);
  lblCompany = Caption(picLogo, "lblCompany", QStringLiteral("Brenlo Automation Ltd."),
                       {5760, 5070, 2415, 255}, 8.25, Qt::AlignLeft);
}

void frmSplash::BuildMakerLines() {
  const QString info[7] = {QStringLiteral("1200 Harbor Drive"), QStringLiteral("P.O. Box 4410"),
                           QStringLiteral("Port Alder, WA"),    QStringLiteral("98001"),
                           QStringLiteral("Tel. +1 555 0142"),  QStringLiteral("Fax +1 555 0143"),
                           QStringLiteral("www.brenlo.example")};
  for (int i = 0; i < 7; ++i) {
    QLabel* label =
        Caption(picLogo, "lblBrenloInfo", info[i],
                {0, 3360.0F + 210.0F * static_cast<float>(i), 0, 240}, 8.25, Qt::AlignHCenter);
    // As wide as its text, centred on the design's centre line.
    const int width = label->sizeHint().width();
    label->setGeometry(Px(1657.5F) - width / 2, label->y(), width, label->height());
    lblBrenloInfo[static_cast<std::size_t>(i)] = label;
  }
}

void frmSplash::Form_Load() {
  try {
    lblVersion->setText(MainCaption());
  } catch (...) {
    ReportVBError("Error While Loading Splash Screen");
  }
}

void frmSplash::cmdOK_Click() {
  accept();
}

}  // namespace parvex
