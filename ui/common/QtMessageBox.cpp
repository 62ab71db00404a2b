#include "ui/common/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/common/CodePage.h"

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
  // Messages carry paths (UTF-8) and at times archive text: read as the list
  // reads a field, which gives UTF-8 text unchanged.
  QMessageBox box(icon, FieldText(caption), FieldText(prompt), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

}  // namespace parvex
