// The difference list as a person works with it: how its texts read, and
// picking, copying and finding rows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <memory>

#include "UiSupport.h"

namespace parvex::test {
namespace {

using List = MainWindowTest;

TEST_F(List, FieldsReadInUtf8OrTheCodePageAndReportsKeepTheBytes) {
  const std::string a =
      "1\t\xc3\x9c"
      "bersetzung\t5 \xc2\xb0"
      "C\tmm\n"
      "2\t\xdc"
      "bersetzung\t5 \xb0"
      "C\t\xb5m\n"
      "3\t\xc3\xa4 and \xe4\tx\t\xc2\xb5m\n";
  const std::string b = "1\td\t6\tu\n2\td\t6\tu\n3\td\ty\tu\n";
  CompareArchives(a, b);
  ASSERT_EQ(window->lvList->model()->rowCount(), 3);
  // Each field by its own bytes: UTF-8, Windows-1252, and both in one row.
  EXPECT_EQ(Cell(0, 1), QStringLiteral("\u00dcbersetzung"));
  EXPECT_EQ(Cell(0, 2), QStringLiteral("5 \u00b0C"));
  EXPECT_EQ(Cell(1, 1), QStringLiteral("\u00dcbersetzung"));
  EXPECT_EQ(Cell(1, 2), QStringLiteral("5 \u00b0C"));
  EXPECT_EQ(Cell(1, 4), QStringLiteral("\u00b5m"));
  EXPECT_EQ(Cell(2, 1), QStringLiteral("\u00c3\u00a4 and \u00e4"));
  EXPECT_EQ(Cell(2, 4), QStringLiteral("\u00b5m"));

  const std::string saved = SaveAs("r.csv");
  EXPECT_NE(saved.find("\"\xc3\x9c"
                       "bersetzung\",\"5 \xc2\xb0"
                       "C\""),
            std::string::npos);
  EXPECT_NE(saved.find("\"\xdc"
                       "bersetzung\",\"5 \xb0"
                       "C\""),
            std::string::npos);
  EXPECT_TRUE(errors.Shown().empty());
}

const std::string kFirst =
    "1\tSpeed\t10\trpm\n2\tRamp\t20\ts\n3\tLimit\t30\tA\n4\tspeed max\t40\trpm\n5\tGear\t50\t\n";
const std::string kSecond = "1\td\t11\tu\n2\td\t21\tu\n3\td\t31\tu\n4\td\t41\tu\n5\td\t51\tu\n";
const QString kHeader = QStringLiteral("Address\tDescription\tArchive 1\tArchive 2\tUnits\n");

TEST_F(List, CopiesTheSelectedRowsUnderTheCaptionsAndOneCell) {
  CompareArchives(kFirst, kSecond);
  window->activateWindow();
  window->lvList->setFocus();
  QTreeView* list = window->lvList;
  // Rows picked out of order with Ctrl come in list order.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualRect(list->model()->index(3, 1)).center());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    list->visualRect(list->model()->index(0, 1)).center());
  QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(),
            kHeader + QStringLiteral("1.0\tSpeed\t10\t11\trpm\n4.0\tspeed max\t40\t41\trpm\n"));

  // Ctrl+A, then the context menu's Copy: every row.
  QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
  std::unique_ptr<QMenu> menu(window->ListMenu(list->model()->index(1, 2)));
  const auto item = [&menu](const char* name) {
    for (QAction* a : menu->actions()) {
      if (a->objectName() == QString::fromLatin1(name)) return a;
    }
    return static_cast<QAction*>(nullptr);
  };
  QAction* copy = item("mnuCopy");
  ASSERT_NE(copy, nullptr);
  copy->trigger();
  const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 7);  // the captions, five rows, and the last line's end
  EXPECT_EQ(lines[5], QStringLiteral("5.0\tGear\t50\t51\t"));

  // The cell under the menu: its value alone.
  ASSERT_NE(item("mnuCopyCell"), nullptr);
  item("mnuCopyCell")->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("20"));
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(List, FindHidesOtherRowsButReportsKeepEveryRow) {
  CompareArchives(kFirst, kSecond);
  window->activateWindow();
  window->lvList->setFocus();
  QTest::keyClick(window->lvList, Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(window->txtFind->isVisible());
  EXPECT_TRUE(window->txtFind->hasFocus());
  EXPECT_GT(window->lvList->geometry().top(), window->txtFind->geometry().bottom());
  const auto shownAddresses = [&] {
    QStringList shown;
    for (int r = 0; r < window->lvList->model()->rowCount(); ++r) {
      shown << window->lvList->model()->index(r, 0).data().toString();
    }
    return shown.join(QLatin1Char(' '));
  };
  const QLabel* shownCount = window->findChild<QLabel*>(QStringLiteral("sbShown"));
  ASSERT_NE(shownCount, nullptr);
  struct Case {
    const char* text;
    QString rows;
    QString count;
  };
  const Case cases[] = {
      {"SPEED", QStringLiteral("1.0 4.0"), QStringLiteral("2 of 5 shown")},  // any case
      {"41", QStringLiteral("4.0"), QStringLiteral("1 of 5 shown")},         // value 2
      {"3.0", QStringLiteral("3.0"), QStringLiteral("1 of 5 shown")},        // address
      {"rpm", QString(), QStringLiteral("0 of 5 shown")},                    // not the units
  };
  for (const Case& c : cases) {
    window->txtFind->clear();
    QTest::keyClicks(window->txtFind, QString::fromLatin1(c.text));
    EXPECT_EQ(shownAddresses(), c.rows) << c.text;
    EXPECT_TRUE(shownCount->isVisible()) << c.text;
    EXPECT_EQ(shownCount->text(), c.count) << c.text;
    EXPECT_EQ(window->sbCompare->text(), QStringLiteral("5 Difference(s)"));
  }

  // Saving while the list is filtered writes every row.
  window->txtFind->setText(QStringLiteral("Gear"));
  const std::string saved = SaveAs("r.csv");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 3 + 5) << saved;

  // A new comparison is filtered too.
  CompareArchives(kFirst + "6\tGearbox\t1\t\n", kSecond + "6\td\t2\tu\n");
  EXPECT_EQ(shownAddresses(), QStringLiteral("5.0 6.0"));
  EXPECT_EQ(shownCount->text(), QStringLiteral("2 of 6 shown"));

  // Escape clears and hides the field; every row is back, the count goes.
  window->txtFind->setFocus();
  QTest::keyClick(window->txtFind, Qt::Key_Escape);
  EXPECT_FALSE(window->txtFind->isVisible());
  EXPECT_TRUE(window->txtFind->text().isEmpty());
  EXPECT_EQ(window->lvList->model()->rowCount(), 6);
  EXPECT_FALSE(shownCount->isVisible());
  EXPECT_EQ(window->lvList->geometry().top(), 104);
  EXPECT_EQ(window->lvList->columnWidth(1), 233);
  EXPECT_TRUE(errors.Shown().empty());
}

}  // namespace
}  // namespace parvex::test
