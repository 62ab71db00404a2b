// Turns the Markdown manual into the PDF the program opens from Help:
//   make_manual INPUT.md OUTPUT.pdf
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QScreen>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_manual INPUT.md OUTPUT.pdf\n");
    return 2;
  }
  QFile input(QString::fromLocal8Bit(argv[1]));
  if (!input.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "make_manual: cannot read %s\n", argv[1]);
    return 1;
  }
  QTextDocument document;
  QFont font(QStringLiteral("Liberation Serif"));
  font.setPointSizeF(10.5);
  document.setDefaultFont(font);
  document.setDefaultStyleSheet(QStringLiteral("table { border-collapse: collapse; }"));
  document.setMarkdown(QString::fromUtf8(input.readAll()));

  QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
  writer.setTitle(QStringLiteral("Parvex User Manual"));
  writer.setCreator(QStringLiteral("Parvex"));
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(20, 18, 20, 18), QPageLayout::Millimeter);
  writer.setResolution(300);
  // The document lays out at the screen's resolution; print() scales it onto
  // the page, so its page size is the printable area at that resolution.
  const qreal dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
  const QSizeF area = writer.pageLayout().paintRect(QPageLayout::Inch).size();
  document.setPageSize(QSizeF(area.width() * dpi, area.height() * dpi));
  document.print(&writer);
  return QFile::exists(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
