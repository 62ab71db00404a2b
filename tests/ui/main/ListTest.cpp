// The difference list as a person works with it: how its texts read, and
// picking, copying and finding rows.

#include "UiSupport.h"

namespace parvex::test {
namespace {

using List = MainWindowTest;

// The list shows each field by its own bytes (UTF-8, the code page); the
// report keeps the bytes.
TEST_F(List, ShowsFieldsAsTextAndReportsKeepTheBytes) {
  CompareArchives(
      "1\t\xc3\x9c"
      "ber\t5 \xb0"
      "C\tmm\n",
      "1\td\t6\tu\n");
  EXPECT_EQ(Cell(0, 1), u"\u00dcber"_s);
  EXPECT_EQ(Cell(0, 2), u"5 \u00b0C"_s);
  EXPECT_NE(SaveAs("r.csv").find("\"\xc3\x9c"
                                 "ber\",\"5 \xb0"
                                 "C\""),
            std::string::npos);
  EXPECT_TRUE(errors.Shown().empty());
}

const std::string kFirst =
    "1\tSpeed\t10\trpm\n2\tRamp\t20\ts\n3\tLimit\t30\tA\n4\tspeed max\t40\trpm\n5\tGear\t50\t\n";
const std::string kSecond = "1\td\t11\tu\n2\td\t21\tu\n3\td\t31\tu\n4\td\t41\tu\n5\td\t51\tu\n";
const QString kHeader = u"Address\tDescription\tArchive 1\tArchive 2\tUnits\n"_s;

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
            kHeader + u"1.0\tSpeed\t10\t11\trpm\n4.0\tspeed max\t40\t41\trpm\n"_s);

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
  EXPECT_EQ(lines[5], u"5.0\tGear\t50\t51\t"_s);

  // The cell under the menu: its value alone.
  ASSERT_NE(item("mnuCopyCell"), nullptr);
  item("mnuCopyCell")->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), u"20"_s);
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
    for (int r = 0; r < window->lvList->model()->rowCount(); ++r) shown << Cell(r, 0);
    return shown.join(u' ');
  };
  const QLabel* shownCount = window->findChild<QLabel*>(u"sbShown"_s);
  ASSERT_NE(shownCount, nullptr);
  struct Case {
    const char* text;
    QString rows;
    QString count;
  };
  const Case cases[] = {
      {"SPEED", u"1.0 4.0"_s, u"2 of 5 shown"_s},  // any case
      {"41", u"4.0"_s, u"1 of 5 shown"_s},         // value 2
      {"3.0", u"3.0"_s, u"1 of 5 shown"_s},        // address
      {"rpm", QString(), u"0 of 5 shown"_s},       // not the units
  };
  for (const Case& c : cases) {
    window->txtFind->clear();
    QTest::keyClicks(window->txtFind, QString::fromLatin1(c.text));
    EXPECT_EQ(shownAddresses(), c.rows) << c.text;
    EXPECT_TRUE(shownCount->isVisible()) << c.text;
    EXPECT_EQ(shownCount->text(), c.count) << c.text;
    EXPECT_EQ(window->sbCompare->text(), u"5 Difference(s)"_s);
  }

  // Saving while the list is filtered writes every row.
  window->txtFind->setText(u"Gear"_s);
  const std::string saved = SaveAs("r.csv");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 3 + 5) << saved;

  // A new comparison is filtered too.
  CompareArchives(kFirst + "6\tGearbox\t1\t\n", kSecond + "6\td\t2\tu\n");
  EXPECT_EQ(shownAddresses(), u"5.0 6.0"_s);
  EXPECT_EQ(shownCount->text(), u"2 of 6 shown"_s);

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
