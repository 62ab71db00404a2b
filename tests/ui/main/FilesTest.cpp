// Archives from outside the window: the command line's arguments and files
// dropped on the fields or the list.

#include "UiSupport.h"
#include "ui/main/Main.h"

namespace parvex::test {
namespace {

// Absolute paths begin with a drive on Windows; the fields show the system's
// own separators, as Browse does.
TEST(StartArguments, ArchivesMadeAbsoluteAndFaultsTold) {
#ifdef Q_OS_WIN
  const QString root = u"C:"_s;
#else
  const QString root;
#endif
  const auto N = [&root](const char* path) {
    return QDir::toNativeSeparators(root + QLatin1String(path));
  };
  struct Case {
    QStringList arguments;
    QString archive1;
    QString archive2;
    bool compare;
    QString error;
  };
  const Case cases[] = {
      {{}, {}, {}, false, {}},
      {{u"a.arc"_s}, N("/work/in/a.arc"), {}, false, {}},
      {{root + u"/x/a.arc"_s, u"../b.arc"_s, u"--compare"_s},
       N("/x/a.arc"),
       N("/work/b.arc"),
       true,
       {}},
      {{u"--compare"_s, u"./a"_s, u"b"_s}, N("/work/in/a"), N("/work/in/b"), true, {}},
      {{u"--bogus"_s, u"a"_s}, {}, {}, false, u"Unknown option 'bogus'."_s},
      {{u"a"_s, u"b"_s, u"c"_s}, {}, {}, false, u"at most two archives, not 3"_s}};
  for (const Case& c : cases) {
    QString error;
    const StartArguments start =
        ReadStartArguments(QStringList{u"parvex"_s} + c.arguments, root + u"/work/in"_s, error);
    const std::string what = c.arguments.join(u' ').toStdString();
    EXPECT_EQ(start.archive1, c.archive1) << what;
    EXPECT_EQ(start.archive2, c.archive2) << what;
    EXPECT_EQ(start.compare, c.compare) << what;
    EXPECT_EQ(error, c.error) << what;
  }
}

class Files : public WindowTest {
 protected:
  std::unique_ptr<frmMain> Start(const StartArguments& start) {
    ConfigureRegistry(std::make_shared<FileRegistry>(fixture.settingsPath));
    gRegistry->SaveItem(u"Archive1"_s, SettingValue::Text(u"kept1"_s));
    gRegistry->SaveItem(u"Archive2"_s, SettingValue::Text(u"kept2"_s));
    auto window = std::make_unique<frmMain>(WindowServices{fixture.dialogs, fixture.printer});
    window->Show(start);
    QApplication::processEvents();
    return window;
  }

  std::string a = dir.Write("a.arc", "1\td\t1\tu\n2\td\t2\tu\n");
  std::string b = dir.Write("b.arc", "1\td\t1\tu\n2\td\t3\tu\n");
};

TEST_F(Files, ArgumentsFillTheFieldsBeforeTheWindowShowsAndMayCompare) {
  auto window = Start({Q(a), {}, false});
  EXPECT_EQ(window->txtArchive1->text(), Q(a));
  EXPECT_EQ(window->txtArchive2->text(), u"kept2"_s);
  EXPECT_EQ(window->List().Count(), 0);
  window.reset();

  window = Start({Q(a), Q(b), true});
  EXPECT_EQ(window->txtArchive2->text(), Q(b));
  EXPECT_EQ(window->sbCompare->text(), u"1 Difference(s)"_s);
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(Files, DropsFillAFieldOrBothAndCompare) {
  auto window = Start({});
  QWidget* list = window->lvList->viewport();
  // Two files on a field, or one on the list, are not taken.
  EXPECT_FALSE(Drop(window->txtArchive1, {Q(a), Q(b)}));
  EXPECT_FALSE(Drop(list, {Q(a)}));
  EXPECT_EQ(window->txtArchive1->text(), u"kept1"_s);

  EXPECT_TRUE(Drop(window->txtArchive2, {Q(a)}));
  EXPECT_EQ(window->txtArchive2->text(), Q(a));
  EXPECT_EQ(window->txtArchive1->text(), u"kept1"_s);
  EXPECT_EQ(window->List().Count(), 0);

  // Two on the list, in the order dropped: b is Archive 1.
  EXPECT_TRUE(Drop(list, {Q(b), Q(a)}));
  EXPECT_EQ(window->txtArchive1->text(), Q(b));
  EXPECT_EQ(window->txtArchive2->text(), Q(a));
  ASSERT_EQ(window->List().Count(), 1);
  EXPECT_EQ(window->List().Row(0).Value1(), "3");
  EXPECT_TRUE(errors.Shown().empty());
}

}  // namespace
}  // namespace parvex::test
