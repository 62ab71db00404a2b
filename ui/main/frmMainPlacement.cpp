// The window's life: loading its placement and inputs, following its size,
// and storing them again when it closes.
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMoveEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeView>

#include "ui/common/StoredSettings.h"
#include "ui/main/Main.h"
#ifdef PARVEX_HISTORY
#include "ui/history/frmHistory.h"
#endif
#include "ui/main/frmMain.h"
#include "ui/reference/frmReference.h"

namespace parvex {

void frmMain::Show() {
  Show(StartArguments{});
}

void frmMain::Form_Load() {
  setWindowTitle(MainCaption());
  const auto number = [](const char* name, std::int32_t fallback) {
    try {
      return Registry().GetItem(QString::fromLatin1(name)).ToInt32();
    } catch (...) {
      return fallback;
    }
  };
  const auto text = [](const char* name) {
    try {
      return Registry().GetItem(QString::fromLatin1(name)).ToText();
    } catch (...) {
      return QString();
    }
  };
  const int dpi = Dpi();
  const std::int32_t left = number("MainLeft", 0);
  const std::int32_t top = number("MainTop", 0);
  std::int32_t width = number("MainWidth", 10000);
  std::int32_t height = number("MainHeight", 10000);
  // Sizes the window cannot take fall back to the defaults.
  if (width < 0) width = 10000;
  if (height < 0) height = 10000;
  move(TwipsToPixels(static_cast<float>(left), dpi), TwipsToPixels(static_cast<float>(top), dpi));
  pendingOuterSize_ = QSize(TwipsToPixels(static_cast<float>(width), dpi),
                            TwipsToPixels(static_cast<float>(height), dpi));
  resize(pendingOuterSize_);
  wantMaximized_ = number("MainMax", 0) == 1;

  const std::int32_t readOnly = number("ReadOnly", 0);
  if (readOnly == 2) {
    chkReadOnly->setTristate(true);
    chkReadOnly->setCheckState(Qt::PartiallyChecked);
  } else {
    chkReadOnly->setCheckState(readOnly == 1 ? Qt::Checked : Qt::Unchecked);
  }
  mnuMatchByAddress->setChecked(number("MatchByAddress", 0) != 0);
  mnuNumbersByValue->setChecked(number("NumbersByValue", 0) != 0);
  mnuCompareUnits->setChecked(number("CompareUnits", 0) != 0);
  ShowRulesFile();
  txtArchive1->setText(text("Archive1"));
  txtArchive2->setText(text("Archive2"));
  txtStruct1->setText(QString::number(number("Struct1", 0)));
  txtStruct2->setText(QString::number(number("Struct2", 1)));
}

void frmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  ApplyOuterSize();
}

void frmMain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) ApplyOuterSize();
}

void frmMain::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  // A window manager frames the window after it has been shown and moves it
  // as it does so: from then on the frame is known.
  ApplyOuterSize();
}

void frmMain::ApplyOuterSize() {
  // The stored size is the outer one; once the window shows in its normal
  // state and its frame is known, the frame is taken off. Without a frame (no
  // window manager, or one that has not framed the window yet) the inner size
  // is the outer one, and the stored size waits for a frame that may come.
  if (!pendingOuterSize_.isValid() || isMaximized() || isMinimized() || !isVisible()) return;
  const QSize frame = frameGeometry().size() - geometry().size();
  if (frame.width() <= 0 && frame.height() <= 0) return;
  const QSize inner = pendingOuterSize_ - frame;
  pendingOuterSize_ = QSize();
  resize(inner);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == central && event->type() == QEvent::Resize) Form_Resize();
  if (ListToolsEvent(watched, event) || DropEvent(watched, event)) return true;
  return QMainWindow::eventFilter(watched, event);
}

void frmMain::Form_Resize() {
  const int dpi = Dpi();
  const float width = PixelsToTwips(central->width(), dpi);
  const float height = PixelsToTwips(central->height() + statusBar()->height(), dpi);
  const float status = PixelsToTwips(statusBar()->height(), dpi);
  SkipOnFailure([&] { layout_ = LayoutForInnerSize(layout_, width, height, status); });
  ApplyLayout();
}

void frmMain::ApplyLayout() {
  Place(fraCommand, layout_.fraCommand);
  Place(fraFiles, layout_.fraFiles);
  Place(cmdSelect1, layout_.cmdSelect1);
  Place(cmdSelect2, layout_.cmdSelect2);
  Place(txtArchive1, layout_.txtArchive1);
  Place(txtArchive2, layout_.txtArchive2);
  Place(lvList, layout_.lvList);
  PlaceAboveList();
}

void frmMain::closeEvent(QCloseEvent* event) {
  // The program ends with this window: the reference window keeps its
  // inputs for the next run.
  if (reference_ && reference_->isVisible()) reference_->close();
#ifdef PARVEX_HISTORY
  if (history_) history_->close();
#endif
  Form_Unload();
  event->accept();
}

void frmMain::Form_Unload() {
  const auto save = [](const char* name, const SettingValue& value) {
    SkipOnFailure([&] { Registry().SaveItem(QString::fromLatin1(name), value); });
  };
  const int state = chkReadOnly->checkState() == Qt::Checked            ? 1
                    : chkReadOnly->checkState() == Qt::PartiallyChecked ? 2
                                                                        : 0;
  save("ReadOnly", SettingValue::Int32(state));
  save("Archive1", SettingValue::Text(txtArchive1->text()));
  save("Archive2", SettingValue::Text(txtArchive2->text()));
  // A structure field holding no number cannot be stored and keeps the
  // earlier stored value.
  save("Struct1", SettingValue::Text(txtStruct1->text()));
  save("Struct2", SettingValue::Text(txtStruct2->text()));
  if (isMinimized()) return;
  if (isMaximized()) {
    save("MainMax", SettingValue::Int32(1));
    return;
  }
  const int dpi = Dpi();
  const QRect outer = frameGeometry();
  save("MainMax", SettingValue::Int32(0));
  save("MainLeft", SettingValue::Single(PixelsToTwips(outer.x(), dpi)));
  save("MainTop", SettingValue::Single(PixelsToTwips(outer.y(), dpi)));
  save("MainWidth", SettingValue::Single(PixelsToTwips(outer.width(), dpi)));
  save("MainHeight", SettingValue::Single(PixelsToTwips(outer.height(), dpi)));
}

}  // namespace parvex
