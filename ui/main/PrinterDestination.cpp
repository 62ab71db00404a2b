#include "ui/main/PrinterDestination.h"

#include <QFontMetrics>
#include <QPrinter>

#include "engine/base/Failure.h"
#include "ui/common/CodePage.h"

namespace parvex {

// The rule of the screen, applied to each printed line: the printer is handed
// lines, not fields.
QString PrintedText(std::string_view bytes) {
  return FieldText(bytes);
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
