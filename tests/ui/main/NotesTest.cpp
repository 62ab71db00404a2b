// The note bar above the list: what a comparison by position left over or
// paired across addresses, shown until the next comparison or until closed.

#include "UiSupport.h"

namespace parvex::test {
namespace {

class Notes : public MainWindowTest {
 protected:
  bool BarShown() const { return window->fraNotes->isVisible(); }
};

const std::string kThree = "1\ta\t1\tu\n2\tb\t2\tu\n3\tc\t3\tu\n";
const std::string kTwo = "1\ta\t1\tu\n2\tb\t2\tu\n";

// The notes' texts are held by the command line's tests.
TEST_F(Notes, TellWhatPairingByPositionLeftOutOrShifted) {
  struct Case {
    const char* name;
    std::string archive1;
    std::string archive2;
    QString starts;  // the note's first words; empty: no bar
  };
  const Case cases[] = {
      {"shorter archive 2", kThree, kTwo, u"Archive 1 has 1 line more than Archive 2"_s},
      {"a line inserted", kThree, "1\ta\t1\tu\n7.5\tnew\t9\tu\n2\tb\t2\tu\n",
       u"Lines with different addresses were paired from line 2 on (2.0 in Archive 1, 7.5"_s},
      {"same lines, values differ", kThree, "1\ta\t1\tu\n2\tb\t5\tu\n3\tc\t6\tu\n", {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CompareArchives(c.archive1, c.archive2);
    EXPECT_EQ(BarShown(), !c.starts.isEmpty());
    EXPECT_TRUE(c.starts.isEmpty() || window->lblNotes->text().startsWith(c.starts));
    // The bar takes its room from the list, which stays below it.
    const QRect bar = window->fraNotes->geometry();
    const QRect list = window->lvList->geometry();
    if (BarShown()) {
      EXPECT_GT(list.top(), bar.bottom());
      EXPECT_EQ(bar.width(), list.width());
    } else {
      EXPECT_EQ(list.top(), 104);  // the design's 1560 twips
    }
  }
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(Notes, GoAtTheNextComparisonOrWhenClosed) {
  CompareArchives(kThree, kTwo);
  ASSERT_TRUE(BarShown());
  // Named, and reached by Tab from the last command button, then their close button.
  EXPECT_FALSE(window->fraNotes->accessibleName().isEmpty());
  EXPECT_FALSE(window->cmdCloseNotes->accessibleName().isEmpty());
  ExpectTabOrder({window->cmdSave, window->lblNotes, window->cmdCloseNotes}, window.get());
  // While the bar shows, the next comparison's notes replace its text, and
  // so do notes given to it at once.
  CompareArchives(kTwo, kThree);
  EXPECT_TRUE(window->lblNotes->text().startsWith(u"Archive 2 has 1 line more"_s));
  for (const QString& text : {u"first"_s, u"second"_s}) {
    window->ShowNotes({text});
    EXPECT_EQ(window->lblNotes->text(), text);
    EXPECT_EQ(window->fraNotes->accessibleDescription(), text);
  }
  CompareArchives(kThree, kTwo);
  const int listTop = window->lvList->geometry().top();
  // Matching by address pairs nothing by position: no notes.
  window->mnuMatchByAddress->trigger();
  window->cmdTwoArchives_Click();
  EXPECT_FALSE(BarShown());
  EXPECT_LT(window->lvList->geometry().top(), listTop);
  window->mnuMatchByAddress->trigger();

  // A structure comparison, even one that cannot start, ends them too.
  CompareArchives(kThree, kTwo);
  ASSERT_TRUE(BarShown());
  window->txtStruct1->setText(u"x"_s);
  window->cmdStructure_Click();
  EXPECT_FALSE(BarShown());
  errors.box.shown.clear();

  // Closed by keyboard: the window goes on, the focus goes back to the list.
  CompareArchives(kThree, kTwo);
  ASSERT_TRUE(BarShown());
  window->activateWindow();
  window->cmdCloseNotes->setFocus();
  QTest::keyClick(window->cmdCloseNotes, Qt::Key_Space);
  EXPECT_FALSE(BarShown());
  EXPECT_EQ(window->lvList->geometry().top(), 104);
  EXPECT_EQ(QApplication::focusWidget(), window->lvList);
  EXPECT_TRUE(errors.Shown().empty());
}

}  // namespace
}  // namespace parvex::test
