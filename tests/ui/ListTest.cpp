// The difference list as a person works with it: how its texts read, and
// picking, copying and finding rows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "UiSupport.h"

namespace parvex {
namespace {

using test::ReadBytes;
using test::RecordedErrors;
using test::TempDir;
using test::WindowFixture;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

class List : public ::testing::Test {
 protected:
  void CompareArchives(const std::string& a, const std::string& b) {
    window->txtArchive1->setText(Q(dir.Write("a.arc", a)));
    window->txtArchive2->setText(Q(dir.Write("b.arc", b)));
    window->cmdTwoArchives_Click();
    QApplication::processEvents();
  }
  QString Cell(int row, int column) const {
    return window->lvList->model()->index(row, column).data().toString();
  }

  RecordedErrors errors;
  TempDir dir;
  WindowFixture fixture{dir};
  std::unique_ptr<frmMain> window = fixture.Start();
};

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

  fixture.dialogs.answers = {Q(dir.File("r.csv"))};
  window->cmdSave_Click();
  const std::string saved = ReadBytes(dir.File("r.csv"));
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

}  // namespace
}  // namespace parvex
