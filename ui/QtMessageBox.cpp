#include "ui/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace parvex {

void QtMessageBox::Show(const std::string& prompt, const std::string& caption, int style) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (style & 0x70) {
    case 16:
      icon = QMessageBox::Critical;
      break;
    case 32:
      icon = QMessageBox::Question;
      break;
    case 48:
      icon = QMessageBox::Warning;
      break;
    case 64:
      icon = QMessageBox::Information;
      break;
    default:
      break;
  }
  // Engine texts are UTF-8 here: messages carry paths, which are file names.
  QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(prompt),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

}  // namespace parvex
