// Archives from outside the window: the command line's arguments and files
// dropped on the fields or the list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>

#include "UiSupport.h"
#include "ui/main/Main.h"

namespace parvex::test {
namespace {

TEST(StartArguments, ArchivesMadeAbsoluteAndFaultsTold) {
  struct Case {
    QStringList arguments;
    QString archive1;
    QString archive2;
    bool compare;
    QString error;
  };
  const QString p = QStringLiteral("parvex");
  // Absolute paths begin with a drive on Windows; the fields show the
  // system's own separators, as Browse does.
#ifdef Q_OS_WIN
  const QString root = QStringLiteral("C:");
#else
  const QString root;
#endif
  const auto N = [&root](const char* path) {
    return QDir::toNativeSeparators(root + QLatin1String(path));
  };
  const Case cases[] = {
      {{p}, {}, {}, false, {}},
      {{p, QStringLiteral("a.arc")}, N("/work/in/a.arc"), {}, false, {}},
      {{p, root + QStringLiteral("/x/a.arc"), QStringLiteral("../b.arc"),
        QStringLiteral("--compare")},
       N("/x/a.arc"),
       N("/work/b.arc"),
       true,
       {}},
      {{p, QStringLiteral("--compare"), QStringLiteral("./a"), QStringLiteral("b")},
       N("/work/in/a"),
       N("/work/in/b"),
       true,
       {}},
      {{p, QStringLiteral("--bogus"), QStringLiteral("a")},
       {},
       {},
       false,
       QStringLiteral("Unknown option 'bogus'.")},
      {{p, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")},
       {},
       {},
       false,
       QStringLiteral("at most two archives, not 3")},
  };
  for (const Case& c : cases) {
    QString error;
    const StartArguments start =
        ReadStartArguments(c.arguments, root + QStringLiteral("/work/in"), error);
    const std::string what = c.arguments.join(QLatin1Char(' ')).toStdString();
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
    gRegistry->SaveItem(QStringLiteral("Archive1"), SettingValue::Text(QStringLiteral("kept1")));
    gRegistry->SaveItem(QStringLiteral("Archive2"), SettingValue::Text(QStringLiteral("kept2")));
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
  EXPECT_EQ(window->txtArchive2->text(), QStringLiteral("kept2"));
  EXPECT_EQ(window->List().Count(), 0);
  window.reset();

  window = Start({Q(a), Q(b), true});
  EXPECT_EQ(window->txtArchive2->text(), Q(b));
  EXPECT_EQ(window->sbCompare->text(), QStringLiteral("1 Difference(s)"));
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(Files, DropsFillAFieldOrBothAndCompare) {
  auto window = Start({});
  QWidget* list = window->lvList->viewport();
  // Two files on a field, or one on the list, are not taken.
  EXPECT_FALSE(Drop(window->txtArchive1, {Q(a), Q(b)}));
  EXPECT_FALSE(Drop(list, {Q(a)}));
  EXPECT_EQ(window->txtArchive1->text(), QStringLiteral("kept1"));

  EXPECT_TRUE(Drop(window->txtArchive2, {Q(a)}));
  EXPECT_EQ(window->txtArchive2->text(), Q(a));
  EXPECT_EQ(window->txtArchive1->text(), QStringLiteral("kept1"));
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
