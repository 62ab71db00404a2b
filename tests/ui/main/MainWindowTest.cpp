#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>

#include <utility>

#include "UiSupport.h"
#include "engine/base/Failure.h"
#include "ui/main/DifferenceModel.h"
#include "ui/main/MainLayout.h"

namespace parvex::test {
namespace {

using MainWindow = MainWindowTest;

// Each control's caption (none for fields and the list) and font size, and
// the keyboard order of the design.
TEST_F(MainWindow, ControlsCaptionsFontsAndKeyboardOrder) {
  auto& w = window;
  const qreal standard = 8.25;
  const qreal large = 9.75;
  struct Control {
    const char* name;
    const char* caption;
    qreal points;
  };
  const Control controls[] = {
      {"lvList", nullptr, large},
      {"fraCommand", "Commands", large},
      {"fraFiles", "Archive Files", large},
      {"lblArchive1", "Archive 1", large},
      {"lblArchive2", "Archive 2", large},
      {"txtArchive1", nullptr, large},
      {"txtArchive2", nullptr, large},
      {"cmdSelect1", "Browse...", large},
      {"cmdSelect2", "Browse...", large},
      {"chkReadOnly", "Include Read Only Values", standard},
      {"Frame1", "Structure", standard},
      {"lblStruct1", "Structure 1", standard},
      {"lblStruct2", "Structure 2", standard},
      {"txtStruct1", nullptr, standard},
      {"txtStruct2", nullptr, standard},
      {"cmdStructure", "Compare Structures in Archive 1", large},
      {"Frame2", "Two Archives", standard},
      {"cmdTwoArchives", "Compare Two Archive Files", large},
      {"fraFunctions", "Functions", standard},
      {"cmdPrint", "Print Difference List", large},
      {"cmdSave", "Save Difference List", large},
      {"sbCompare", "0 Difference(s)", large},
  };
  EXPECT_EQ(w->font().pointSizeF(), standard);
  for (const Control& c : controls) {
    auto* widget = w->findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(widget, nullptr) << c.name;
    QString caption;
    if (auto* b = qobject_cast<QAbstractButton*>(widget)) caption = b->text();
    if (auto* g = qobject_cast<QGroupBox*>(widget)) caption = g->title();
    if (auto* l = qobject_cast<QLabel*>(widget)) caption = l->text();
    if (c.caption != nullptr) {
      EXPECT_EQ(caption, QString::fromLatin1(c.caption)) << c.name;
    }
    EXPECT_EQ(widget->font().family(), w->font().family()) << c.name;
    EXPECT_EQ(widget->font().pointSizeF(), c.points) << c.name;
  }
  // Design positions at 96 dots per inch: 15 twips a pixel.
  EXPECT_EQ(w->Frame1->geometry(), QRect(8, 136, 153, 129));
  EXPECT_EQ(w->cmdSave->geometry(), QRect(8, 72, 137, 41));
  EXPECT_EQ(w->lblArchive1->buddy(), w->txtArchive1);
  EXPECT_EQ(w->lblStruct2->buddy(), w->txtStruct2);

  // Tab walks the design order and comes back round.
  const std::vector<QWidget*> order = {w->lvList,         w->txtArchive1, w->txtArchive2,
                                       w->cmdSelect2,     w->cmdSelect1,  w->chkReadOnly,
                                       w->txtStruct1,     w->txtStruct2,  w->cmdStructure,
                                       w->cmdTwoArchives, w->cmdPrint,    w->cmdSave};
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    QWidget* next = order[i]->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus || !next->isVisibleTo(w.get())) {
      next = next->nextInFocusChain();
    }
    EXPECT_EQ(next, order[i + 1]) << i << " " << next->objectName().toStdString();
  }

  const QStringList menus = {w->mnuFile->title(), w->mnuExit->text(), w->mnuHelp->title(),
                             w->mnuDoc->text(), w->mnuAbout->text()};
  EXPECT_EQ(menus,
            (QStringList{QStringLiteral("&File"), QStringLiteral("E&xit"), QStringLiteral("&Help"),
                         QStringLiteral("&Documentation"), QStringLiteral("&About")}));
  const QStringList headers = [&] {
    QStringList h;
    for (int i = 0; i < 5; ++i) h << w->lvList->model()->headerData(i, Qt::Horizontal).toString();
    return h;
  }();
  EXPECT_EQ(headers, (QStringList{QStringLiteral("Address"), QStringLiteral("Description"),
                                  QStringLiteral("Value 1"), QStringLiteral("Value 2"),
                                  QStringLiteral("Units")}));
  EXPECT_EQ(w->lvList->columnWidth(1), 233);
  // The columns keep the order the reports print them in.
  EXPECT_FALSE(w->lvList->header()->sectionsMovable());
  EXPECT_FALSE(w->windowIcon().isNull());
}

TEST_F(MainWindow, KeysPressButtonsAndReachTheMenus) {
  auto& w = window;
  // Enter, the keypad's Enter and Space each press the focused button once.
  for (QPushButton* button : {w->cmdSelect1, w->cmdSelect2, w->cmdStructure, w->cmdTwoArchives,
                              w->cmdPrint, w->cmdSave}) {
    for (const auto& [key, modifier] :
         {std::pair{Qt::Key_Return, Qt::NoModifier}, std::pair{Qt::Key_Enter, Qt::KeypadModifier},
          std::pair{Qt::Key_Space, Qt::NoModifier}}) {
      QSignalSpy clicked(button, &QPushButton::clicked);
      button->setFocus();
      QTest::keyClick(button, key, modifier);
      EXPECT_EQ(clicked.count(), 1) << button->objectName().toStdString() << " " << key;
    }
  }
  EXPECT_EQ(w->mnuDoc->shortcut(), QKeySequence(Qt::Key_F1));
  EXPECT_EQ(w->mnuExit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  QTest::keyClick(w.get(), Qt::Key_F1);
  ASSERT_EQ(fixture.opened.size(), 1U);
  EXPECT_TRUE(fixture.opened[0].endsWith(QStringLiteral(".pdf")));
  w->txtArchive1->setText(QStringLiteral("kept by Ctrl+Q.arc"));
  QTest::keyClick(w.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("Archive1")).ToText(),
            QStringLiteral("kept by Ctrl+Q.arc"));
}

TEST_F(MainWindow, BrowseFillsTheFieldAndRemembersTheFolder) {
  auto& w = window;
  const QString chosen = Q(dir.File("plant/line 2/axis.arc"));
  fixture.dialogs.answers = {chosen, std::nullopt, Q(dir.File("other/b.arc"))};
  QTest::mouseClick(w->cmdSelect1, Qt::LeftButton);
  EXPECT_EQ(w->txtArchive1->text(), chosen);
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("SavePath")).ToText(), Q(dir.File("plant/line 2")));

  // Cancel: nothing shown, nothing changed.
  QTest::mouseClick(w->cmdSelect2, Qt::LeftButton);
  EXPECT_EQ(w->txtArchive2->text(), QString());
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("SavePath")).ToText(), Q(dir.File("plant/line 2")));
  EXPECT_TRUE(errors.Shown().empty());

  QTest::mouseClick(w->cmdSelect2, Qt::LeftButton);
  ASSERT_EQ(fixture.dialogs.calls.size(), 3U);
  EXPECT_EQ(fixture.dialogs.calls[0].title, QStringLiteral("Select Archive 1"));
  EXPECT_EQ(fixture.dialogs.calls[0].initDir, QString());
  EXPECT_EQ(fixture.dialogs.calls[0].filter, QStringLiteral("(*.*)|*.*"));
  EXPECT_EQ(fixture.dialogs.calls[1].title, QStringLiteral("Select Archive 2"));
  EXPECT_EQ(fixture.dialogs.calls[1].initDir, Q(dir.File("plant/line 2")));
  // The dialog shows the name it returned last.
  EXPECT_EQ(fixture.dialogs.calls[1].fileName, chosen);
  EXPECT_EQ(w->txtArchive2->text(), Q(dir.File("other/b.arc")));
}

TEST_F(MainWindow, CompareTwoArchivesFillsListIconsCaptionsAndStatus) {
  auto& w = window;
  w->txtArchive1->setText(Q(dir.Write("a.arc", "1\td\t1\tu\n2\t!r\t5\tv\n3\t\xb5m\tx\t\xb0\n")));
  w->txtArchive2->setText(Q(dir.Write("b.arc", "1\td\t2\tu\n2\tr\t6\tv\n3\tm\ty\tC\n")));
  QTest::mouseClick(w->cmdTwoArchives, Qt::LeftButton);
  QApplication::processEvents();
  const QAbstractItemModel* model = w->lvList->model();
  ASSERT_EQ(model->rowCount(), 2);
  EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("1.0"));
  EXPECT_EQ(model->index(1, 1).data().toString(), QStringLiteral("\u00b5m"));
  EXPECT_EQ(model->index(1, 4).data().toString(), QStringLiteral("\u00b0"));
  EXPECT_FALSE(model->index(0, 0).data(Qt::DecorationRole).isValid());
  EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Archive 1"));
  EXPECT_EQ(w->sbCompare->text(), QStringLiteral("2 Difference(s)"));
  EXPECT_FALSE(w->StructureMode());

  w->chkReadOnly->setChecked(true);
  QTest::mouseClick(w->cmdTwoArchives, Qt::LeftButton);
  QApplication::processEvents();
  ASSERT_EQ(model->rowCount(), 3);
  const QPixmap lock = model->index(1, 0).data(Qt::DecorationRole).value<QPixmap>();
  EXPECT_EQ(lock.size(), QSize(16, 16));
  // Magenta is transparent: the corner shows nothing.
  EXPECT_EQ(lock.toImage().pixelColor(0, 15).alpha(), 0);
  EXPECT_EQ(w->sbCompare->text(), QStringLiteral("3 Difference(s)"));
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(MainWindow, StructureFields) {
  auto& w = window;
  // Structures 2, 3 and 4 each differ from structure 9 in a way that tells them apart.
  w->txtArchive1->setText(Q(dir.Write(
      "s.arc", "2.1\ta\t20\tu\n3.1\tb\t30\tu\n4.1\tc\t40\tu\n12.1\td\t120\tu\n9.1\tz\t0\tu\n")));
  struct Case {
    QString text;
    QString firstValue;  // value 1 of the one row, or empty when a message is expected
  };
  const Case cases[] = {{QStringLiteral(" 12 "), QStringLiteral("120")},
                        {QStringLiteral("2.5"), QStringLiteral("20")},
                        {QStringLiteral("3.5"), QStringLiteral("40")},
                        {QString(), QString()},
                        {QStringLiteral("abc"), QString()},
                        {QStringLiteral("40000"), QString()}};
  for (const Case& c : cases) {
    const auto before = errors.Shown().size();
    w->txtStruct1->setText(c.text);
    w->txtStruct2->setText(QStringLiteral("9"));
    w->cmdTwoArchives->click();  // the mode flips back each time
    EXPECT_FALSE(w->StructureMode());
    QTest::mouseClick(w->cmdStructure, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(w->StructureMode());
    if (c.firstValue.isEmpty()) {
      ASSERT_EQ(errors.Shown().size(), before + 2)
          << c.text.toStdString();  // b.arc missing, then this
      EXPECT_EQ(errors.Shown().back().caption, "Error With Structure Parameters");
    } else {
      ASSERT_EQ(w->lvList->model()->rowCount(), 1) << c.text.toStdString();
      EXPECT_EQ(w->lvList->model()->index(0, 2).data().toString(), c.firstValue);
      EXPECT_EQ(w->lvList->model()->headerData(3, Qt::Horizontal).toString(),
                QStringLiteral("Stucture 2"));
    }
  }
}

TEST(Layout, FollowsTheInnerSize) {
  const MainLayout design = DesignLayout();
  const MainLayout wide = LayoutForInnerSize(design, 9000, 8000);
  EXPECT_EQ(wide.fraCommand.Height, 8000 - 495);
  EXPECT_EQ(wide.fraFiles.Width, 9000 - 2880);
  EXPECT_EQ(wide.cmdSelect1.Left, 9000 - 3975);
  EXPECT_EQ(wide.cmdSelect2.Left, 9000 - 3975);
  EXPECT_EQ(wide.txtArchive1.Width, 9000 - 5175);
  EXPECT_EQ(wide.lvList.Width, 9000 - 2880);
  EXPECT_EQ(wide.lvList.Height, 8000 - 2055);

  const MainLayout at5175 = LayoutForInnerSize(wide, 5175, 8000);
  EXPECT_EQ(at5175.txtArchive1.Width, 0);
  EXPECT_EQ(at5175.txtArchive2.Width, 0);

  const MainLayout at4000 = LayoutForInnerSize(wide, 4000, 8000);
  EXPECT_EQ(at4000.fraFiles.Width, 1120);
  EXPECT_EQ(at4000.cmdSelect1.Left, 25);
  EXPECT_EQ(at4000.cmdSelect2.Left, 25);
  EXPECT_EQ(at4000.txtArchive1.Width, wide.txtArchive1.Width);
  EXPECT_EQ(at4000.lvList.Width, 1120);

  const MainLayout at3000 = LayoutForInnerSize(wide, 3000, 8000);
  EXPECT_EQ(at3000.fraFiles.Width, 120);
  EXPECT_EQ(at3000.cmdSelect1.Left, -975);

  // Minimized: every size would be negative, so nothing changes.
  EXPECT_EQ(LayoutForInnerSize(wide, 0, 0), wide);
}

TEST_F(MainWindow, ResizingTheWindowLaysItOut) {
  auto& w = window;
  w->resize(800, 600);
  QApplication::processEvents();
  const int inner = w->centralWidget()->width();
  EXPECT_EQ(w->lvList->width(), inner - (184 + 8));
  EXPECT_EQ(w->cmdSelect1->x(), w->fraFiles->width() - (65 + 8));
  EXPECT_EQ(w->statusBar()->geometry().bottom(), w->height() - 1);
}

struct Placement {
  QPoint pos;
  QSize size;
};

// The four stored placement values, in twips.
std::vector<std::int32_t> StoredPlacement() {
  std::vector<std::int32_t> values;
  for (const char* name : {"MainLeft", "MainTop", "MainWidth", "MainHeight"}) {
    values.push_back(gRegistry->GetItem(QString::fromLatin1(name)).ToInt32());
  }
  return values;
}

TEST_F(MainWindow, CloseAndStartAgainRestoresInputsAndPlacement) {
  QRect outer;
  {
    auto w = fixture.Start();
    w->move(40, 30);
    w->resize(700, 500);
    w->txtArchive1->setText(QStringLiteral("/data/\u00fcber/a.arc"));
    w->txtArchive2->setText(QStringLiteral("b.arc"));
    w->txtStruct1->setText(QStringLiteral("2.5"));
    w->txtStruct2->setText(QStringLiteral("-7"));
    w->chkReadOnly->setChecked(true);
    outer = w->frameGeometry();
    w->close();
  }
  auto again = fixture.Start();
  EXPECT_EQ(again->txtArchive1->text(), QStringLiteral("/data/\u00fcber/a.arc"));
  EXPECT_EQ(again->txtArchive2->text(), QStringLiteral("b.arc"));
  EXPECT_EQ(again->txtStruct1->text(), QStringLiteral("2"));
  EXPECT_EQ(again->txtStruct2->text(), QStringLiteral("-7"));
  EXPECT_EQ(again->chkReadOnly->checkState(), Qt::Checked);
  EXPECT_EQ(again->frameGeometry(), outer);

  // Letters in a structure field cannot be stored: the earlier number stays.
  const std::vector<std::int32_t> placement = StoredPlacement();
  again->txtStruct1->setText(QStringLiteral("abc"));
  again->close();
  auto third = fixture.Start();
  EXPECT_EQ(third->txtStruct1->text(), QStringLiteral("2"));
  // A start and a close with no change in between store the same placement.
  EXPECT_EQ(StoredPlacement(), placement);
  third->close();
  EXPECT_EQ(StoredPlacement(), placement);
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(MainWindow, MaximizedAndMinimizedCloses) {
  QRect normal;
  {
    auto w = fixture.Start();
    w->move(50, 60);
    w->resize(640, 480);
    normal = w->frameGeometry();
    w->close();
  }
  {
    auto w = fixture.Start();
    w->showMaximized();
    QApplication::processEvents();
    w->close();
  }
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("MainMax")).ToInt32(), 1);
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("MainWidth")).ToInt32(), normal.width() * 15);
  {
    auto w = fixture.Start();
    EXPECT_TRUE(w->isMaximized());
    w->showMinimized();
    QApplication::processEvents();
    w->close();
  }
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("MainMax")).ToInt32(), 1);
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("MainLeft")).ToInt32(), 50 * 15);
  {
    auto w = fixture.Start();
    w->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(w->frameGeometry(), normal);
    w->close();
  }
  // Started normal, then maximized and minimized: a minimized close stores
  // nothing of the placement, not even the maximized mark.
  {
    auto w = fixture.Start();
    EXPECT_FALSE(w->isMaximized());
    w->showMaximized();
    QApplication::processEvents();
    w->showMinimized();
    QApplication::processEvents();
    w->close();
  }
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("MainMax")).ToInt32(), 0);
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("MainLeft")).ToInt32(), 50 * 15);
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("MainWidth")).ToInt32(), normal.width() * 15);
}

// A first run, and stored values the window cannot use, give the defaults.
TEST_F(MainWindow, StartsWithTheDefaults) {
  for (const char* stored : {"", "MainWidth", "MainHeight"}) {
    QFile::remove(fixture.settingsPath);
    ConfigureRegistry(std::make_shared<FileRegistry>(fixture.settingsPath));
    if (*stored != '\0') {
      gRegistry->SaveItem(QLatin1String(stored), SettingValue::Int32(-500));
      gRegistry->SaveItem(QStringLiteral("ReadOnly"), SettingValue::Int32(7));
      // Only 1 marks a maximized window.
      gRegistry->SaveItem(QStringLiteral("MainMax"), SettingValue::Int32(2));
    }
    auto w = fixture.Start();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Parvex 1.001"));
    EXPECT_EQ(w->txtArchive1->text(), QString());
    EXPECT_EQ(w->txtArchive2->text(), QString());
    EXPECT_EQ(w->txtStruct1->text(), QStringLiteral("0"));
    EXPECT_EQ(w->txtStruct2->text(), QStringLiteral("1"));
    EXPECT_EQ(w->chkReadOnly->checkState(), Qt::Unchecked);
    EXPECT_EQ(w->frameGeometry(), QRect(0, 0, 667, 667)) << stored;
    EXPECT_FALSE(w->isMaximized());
    // Reading the settings writes nothing.
    EXPECT_EQ(QFile::exists(fixture.settingsPath), *stored != '\0');
  }
}

}  // namespace
}  // namespace parvex::test
