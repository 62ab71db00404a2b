// The rules file in the window: chosen through the Options menu, remembered,
// read again at every comparison, and named in the status and the reports.

#include "UiSupport.h"

namespace parvex::test {
namespace {

class RulesWindow : public MainWindowTest {
 protected:
  void Compare() {
    CompareArchives("1\tSerial\t17\tu\n2\tb\t1.00\tu\n3\tc\t5\tu\n",
                    "1\tSerial\t18\tu\n2\tb\t1.01\tu\n3\tc\t6\tu\n");
  }
  std::string Title2OfSavedReport() {
    const std::string text = SaveAs("r.csv");
    const std::size_t start = text.find(",Archive 2: ");
    const std::size_t end = text.find(",Units\r\n");
    if (start == std::string::npos || end == std::string::npos) return text;
    return text.substr(start + 1, end - start - 1);
  }

  std::string rules = dir.Write("rules/fleet.toml", "[ignore]\ndescriptions = [\"serial*\"]\n");
};

TEST_F(RulesWindow, ChosenFileIsShownRememberedAndReadAtEveryComparison) {
  fixture.dialogs.answers = {Q(rules)};
  window->mnuRulesFile->trigger();
  EXPECT_EQ(fixture.dialogs.calls.back().title, u"Select Rules File"_s);
  EXPECT_TRUE(window->mnuRulesFile->isChecked());
  EXPECT_EQ(window->mnuRulesFile->text(), u"&Rules File: fleet.toml..."_s);
  EXPECT_TRUE(window->mnuRulesOff->isEnabled());
  EXPECT_EQ(gRegistry->GetItem(u"RulesFile"_s).ToText(), Q(rules));

  Compare();
  EXPECT_EQ(window->List().Count(), 2);
  EXPECT_EQ(window->sbCompare->text(), u"2 Difference(s), 1 ignored, 0 within tolerance"_s);
  EXPECT_EQ(Title2OfSavedReport(), "Archive 2: " + archive2 + " (rules: fleet.toml)");

  // Edited between two comparisons: the second obeys the new text.
  dir.Write("rules/fleet.toml",
            "[ignore]\ndescriptions = [\"serial*\"]\n"
            "[[tolerance]]\naddresses = [\"2\"]\nabsolute = \"0.01\"\n");
  Compare();
  EXPECT_EQ(window->List().Count(), 1);
  EXPECT_EQ(window->sbCompare->text(), u"1 Difference(s), 1 ignored, 1 within tolerance"_s);

  // Remembered for the next start.
  window->close();
  window = fixture.Start();
  EXPECT_TRUE(window->mnuRulesFile->isChecked());
  EXPECT_EQ(window->mnuRulesFile->text(), u"&Rules File: fleet.toml..."_s);

  // Switched off: the plain status and title again.
  window->mnuRulesOff->trigger();
  EXPECT_FALSE(window->mnuRulesFile->isChecked());
  EXPECT_FALSE(window->mnuRulesOff->isEnabled());
  EXPECT_EQ(gRegistry->GetItem(u"RulesFile"_s).ToText(), QString());
  Compare();
  EXPECT_EQ(window->List().Count(), 3);
  EXPECT_EQ(window->sbCompare->text(), u"3 Difference(s)"_s);
  EXPECT_EQ(Title2OfSavedReport(), "Archive 2: " + archive2);
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(RulesWindow, RefusedFileIsToldAndNothingIsCompared) {
  // Cancel, then a file that is refused: neither is taken.
  const std::string bad = dir.Write("bad.toml", "[ignore]\nadresses = [\"1\"]\n");
  fixture.dialogs.answers = {std::nullopt, Q(bad)};
  window->mnuRulesFile->trigger();
  EXPECT_TRUE(errors.Shown().empty());
  EXPECT_FALSE(window->mnuRulesFile->isChecked());
  window->mnuRulesFile->trigger();
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0].caption, "Error While Reading Rules");
  EXPECT_NE(errors.Shown()[0].prompt.find("line 2, column 1: unknown key \"adresses\""),
            std::string::npos)
      << errors.Shown()[0].prompt;
  EXPECT_FALSE(window->mnuRulesFile->isChecked());
  EXPECT_EQ(gRegistry->GetItem(u"RulesFile"_s).ToText(), QString());

  // A good file that goes bad after it was chosen stops the next comparison:
  // the list keeps the rows of the one before.
  fixture.dialogs.answers = {Q(rules)};
  window->mnuRulesFile->trigger();
  Compare();
  ASSERT_EQ(window->List().Count(), 2);
  dir.Write("rules/fleet.toml", "[ignore\n");
  window->txtArchive2->setText(Q(archive1));
  window->cmdTwoArchives_Click();
  ASSERT_EQ(errors.Shown().size(), 2U);
  EXPECT_EQ(errors.Shown()[1].caption, "Error While Reading Rules");
  EXPECT_EQ(window->List().Count(), 2);
  EXPECT_EQ(window->sbCompare->text(), u"2 Difference(s), 1 ignored, 0 within tolerance"_s);
}

}  // namespace
}  // namespace parvex::test
