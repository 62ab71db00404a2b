#include "ui/PrinterDestination.h"

#include <QFontMetrics>
#include <QPrinter>
#include <QStringDecoder>

#include "engine/Failure.h"
#include "ui/CodePage.h"

namespace parvex {

QString PrintedText(std::string_view bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  return FromArchiveBytes(bytes);
}

PrinterDestination::~PrinterDestination() {
  if (painter_.isActive()) {
    printer_.abort();
    painter_.end();
  }
}

void PrinterDestination::Prepare() {
  if (!painter_.isActive() && !painter_.begin(&printer_)) {
    throw Failure(482, "Printer error");
  }
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSizeF(10.0);
  painter_.setFont(font);
  const QFontMetrics metrics(font, &printer_);
  lineHeight_ = metrics.lineSpacing();
  indent_ = metrics.horizontalAdvance(QLatin1Char(' ')) * 8;
  y_ = metrics.ascent();
}

void PrinterDestination::Emit(std::string_view line) {
  if (!painter_.isActive()) throw Failure(482, "Printer error");
  // Every line begins with a tab, which the printer shows as an indent.
  painter_.drawText(indent_, y_, PrintedText(line));
  y_ += lineHeight_;
}

void PrinterDestination::PageBreak() {
  if (!printer_.newPage()) throw Failure(482, "Printer error");
  y_ = QFontMetrics(painter_.font(), &printer_).ascent();
}

void PrinterDestination::Finish() {
  if (!painter_.end()) throw Failure(482, "Printer error");
}

}  // namespace parvex
