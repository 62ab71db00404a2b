// The bar above the list that says what a comparison left out or paired
// across addresses: shown beside the list, never in the way of it.
#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>

#include "ui/main/frmMain.h"

namespace parvex {

void frmMain::BuildNoteBar() {
  fraNotes = new QFrame(central);
  fraNotes->setObjectName(QStringLiteral("fraNotes"));
  fraNotes->setFrameShape(QFrame::StyledPanel);
  fraNotes->setAccessibleName(QStringLiteral("Notes"));
  fraNotes->setFocusPolicy(Qt::NoFocus);
  lblNotes = new QLabel(fraNotes);
  lblNotes->setObjectName(QStringLiteral("lblNotes"));
  lblNotes->setWordWrap(true);
  // Reachable by Tab, so a screen reader reads it and the text can be copied.
  lblNotes->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  lblNotes->setFocusPolicy(Qt::StrongFocus);
  cmdCloseNotes = new QToolButton(fraNotes);
  cmdCloseNotes->setObjectName(QStringLiteral("cmdCloseNotes"));
  cmdCloseNotes->setText(QStringLiteral("Close"));
  cmdCloseNotes->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
  cmdCloseNotes->setToolButtonStyle(Qt::ToolButtonIconOnly);
  cmdCloseNotes->setToolTip(QStringLiteral("Close the notes"));
  cmdCloseNotes->setAccessibleName(QStringLiteral("Close the notes"));
  cmdCloseNotes->setFocusPolicy(Qt::StrongFocus);
  cmdCloseNotes->setAutoRaise(true);
  auto* row = new QHBoxLayout(fraNotes);
  row->setContentsMargins(6, 3, 3, 3);
  row->addWidget(lblNotes, 1);
  row->addWidget(cmdCloseNotes, 0, Qt::AlignTop);
  fraNotes->hide();
  connect(cmdCloseNotes, &QToolButton::clicked, this, [this] {
    // The focus stays in the window, on the list the notes spoke of.
    if (fraNotes->isAncestorOf(focusWidget())) lvList->setFocus();
    ShowNotes({});
  });
  // After the command buttons, before the list comes round again.
  setTabOrder(cmdSave, lblNotes);
  setTabOrder(lblNotes, cmdCloseNotes);
}

void frmMain::ShowNotes(const QStringList& notes) {
  const QString text = notes.join(QLatin1Char('\n'));
  if (notes.isEmpty() == fraNotes->isHidden() && lblNotes->text() == text) return;
  lblNotes->setText(text);
  fraNotes->setAccessibleDescription(text);
  fraNotes->setHidden(notes.isEmpty());
  ApplyLayout();
  if (!notes.isEmpty()) {
    // Told to a screen reader as it appears, without taking the focus.
    QAccessibleEvent shown(fraNotes, QAccessible::Alert);
    QAccessible::updateAccessibility(&shown);
  }
}

void frmMain::PlaceAboveList() {
  if (fraNotes == nullptr) return;
  const QRect list = lvList->geometry();
  int top = list.top();
  if (!fraNotes->isHidden()) {
    const int height = fraNotes->hasHeightForWidth() ? fraNotes->heightForWidth(list.width())
                                                     : fraNotes->sizeHint().height();
    fraNotes->setGeometry(list.left(), top, list.width(), height);
    top += height + 2;
  }
  if (txtFind != nullptr && !txtFind->isHidden()) {
    const int height = txtFind->sizeHint().height();
    txtFind->setGeometry(list.left(), top, list.width(), height);
    top += height + 2;
  }
  lvList->setGeometry(list.left(), top, list.width(), std::max(0, list.bottom() + 1 - top));
}

}  // namespace parvex
