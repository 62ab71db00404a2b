#include "ui/common/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/common/CodePage.h"

namespace parvex {

void QtMessageBox::Show(const std::string& prompt, const std::string& caption, int style) {
  // The style's icon bits: 16 critical, 32 question, 48 warning, 64 information.
  static constexpr QMessageBox::Icon kIcons[] = {QMessageBox::NoIcon, QMessageBox::Critical,
                                                 QMessageBox::Question, QMessageBox::Warning,
                                                 QMessageBox::Information};
  const int bits = (style & 0x70) >> 4;
  const QMessageBox::Icon icon = bits < 5 ? kIcons[bits] : QMessageBox::NoIcon;
  // Messages carry paths (UTF-8) and at times archive text: read as the list
  // reads a field, which gives UTF-8 text unchanged.
  QMessageBox box(icon, FieldText(caption), FieldText(prompt), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

}  // namespace parvex
