// The preview of a taking: what it lists, its check boxes, and that what
// is written follows them.
#include "UiSupport.h"
#include "ui/take/TakeSession.h"
#include "ui/take/frmTakePreview.h"

namespace parvex::test {
namespace {

// 1.2 is read-only in the target, 2.1 changes its units, 4.1 the target
// lacks; 3.1 is equal.
const char* const kTarget =
    "1.1\tSpeed\t150\tmm\r\n1.2\t!Locked\t6\trpm\r\n2.1\tGain\t8\tV\r\n3.1\tSame\t1\t\r\n";
const char* const kSource =
    "1.1\tSpeed\t100\tmm\r\n1.2\t!Locked\t5\trpm\r\n2.1\tGain\t7\t\r\n3.1\tSame\t1\t\r\n"
    "4.1\tNew\t9\tmm\r\n";

class TakePreview : public ::testing::Test {
 protected:
  TakeSession Session() {
    return TakeSession({dir.Write("t.arc", kTarget), dir.Write("s.arc", kSource), {}, {}, {}});
  }
  // Each line of the tree: its cells, then "on", "off" or "grey".
  static std::vector<std::string> Rows(const frmTakePreview& p) {
    std::vector<std::string> rows;
    const QTreeWidgetItem* part = p.tvwLines->topLevelItem(0);
    for (int i = 0; i < part->childCount(); ++i) {
      const QTreeWidgetItem* item = part->child(i);
      QStringList row;
      for (int c = 0; c < 5; ++c) row << item->text(c);
      row << (!item->flags().testFlag(Qt::ItemIsEnabled) ? QStringLiteral("grey")
              : item->checkState(0) == Qt::Checked       ? QStringLiteral("on")
                                                         : QStringLiteral("off"));
      rows.push_back(row.join(QLatin1Char('|')).toStdString());
    }
    return rows;
  }

  RecordedErrors errors;
  TempDir dir;
};

TEST_F(TakePreview, ListsTheLinesAndAddsMissingOnesWhenAsked) {
  TakeSession session = Session();
  session.Plan(false);
  frmTakePreview p(QStringLiteral("Take"), {{QStringLiteral("t.arc"), &session}},
                   {{TakeOutput::NewArchive, QStringLiteral("&Save As...")},
                    {TakeOutput::Replace, QStringLiteral("&Replace")}},
                   TakeOutput::Replace);
  const std::vector<std::string> before = {"1.1|Speed|150|100|mm|on", "2.1|Gain|8 [V]|7 []||on",
                                           "1.2|Locked|6|5|rpm|grey"};
  EXPECT_EQ(Rows(p), before);
  EXPECT_EQ(p.lblSummary->text(),
            QStringLiteral("2 values taken, 1 already equal, 1 read-only left alone, 0 added, 1 in "
                           "the source only (not added)"));
  EXPECT_TRUE(p.Button(TakeOutput::Replace)->isDefault());
  // Reached by its label's key, and named for a screen reader.
  EXPECT_EQ(p.lblLines->buddy(), p.tvwLines);
  EXPECT_FALSE(p.tvwLines->accessibleName().isEmpty());

  p.chkAddMissing->setChecked(true);
  const std::vector<std::string> added = {"1.1|Speed|150|100|mm|on", "2.1|Gain|8 [V]|7 []||on",
                                          "4.1|New|(missing)|9|mm|on", "1.2|Locked|6|5|rpm|grey"};
  EXPECT_EQ(Rows(p), added);
  EXPECT_TRUE(session.AddsMissing());
  EXPECT_NE(p.lblSummary->text().indexOf(QStringLiteral("1 added, 0 in the source only")), -1);
}

// Unchecked lines are left as they are, whether unchecked one by one or
// with their archive; the read-only line never comes back checked.
TEST_F(TakePreview, WritesOnlyTheCheckedLines) {
  struct Case {
    const char* name;
    std::vector<int> uncheck;  // lines, or -1 for the archive
    std::vector<int> recheck;
    const char* written;
    const char* summary;
  };
  const Case cases[] = {
      {"all",
       {},
       {},
       "1.1\tSpeed\t100\tmm\r\n1.2\t!Locked\t6\trpm\r\n2.1\tGain\t7\t\r\n3.1\tSame\t1\t\r\n4."
       "1\tNew\t9\tmm\r\n",
       "2 values taken, 1 already equal, 1 read-only left alone, 1 added, 0 in"},
      {"one line",
       {0},
       {},
       "1.1\tSpeed\t150\tmm\r\n1.2\t!Locked\t6\trpm\r\n2.1\tGain\t7\t\r\n3.1\tSame\t1\t\r\n4."
       "1\tNew\t9\tmm\r\n",
       "1 values taken, 1 already equal, 1 read-only left alone, 1 added, 0 in"},
      {"the added line",
       {2},
       {},
       "1.1\tSpeed\t100\tmm\r\n1.2\t!Locked\t6\trpm\r\n2.1\tGain\t7\t\r\n3.1\tSame\t1\t\r\n",
       "2 values taken, 1 already equal, 1 read-only left alone, 0 added, 1 in"},
      {"archive, then one",
       {-1},
       {1},
       "1.1\tSpeed\t150\tmm\r\n1.2\t!Locked\t6\trpm\r\n2.1\tGain\t7\t\r\n3.1\tSame\t1\t\r\n",
       "1 values taken, 1 already equal, 1 read-only left alone, 0 added, 1 in"},
  };
  for (const Case& c : cases) {
    TakeSession session = Session();
    session.Plan(true);
    frmTakePreview p(QStringLiteral("Take"), {{QStringLiteral("t.arc"), &session}},
                     {{TakeOutput::NewArchive, QStringLiteral("&Save As...")}}, TakeOutput::None);
    QTreeWidgetItem* part = p.tvwLines->topLevelItem(0);
    const auto item = [&](int i) { return i < 0 ? part : part->child(i); };
    for (const int i : c.uncheck) item(i)->setCheckState(0, Qt::Unchecked);
    for (const int i : c.recheck) item(i)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(part->child(3)->checkState(0), Qt::Unchecked) << c.name;
    EXPECT_TRUE(p.lblSummary->text().startsWith(Q(c.summary)))
        << c.name << p.lblSummary->text().toStdString();
    const std::string out = dir.File(std::string("out-") + c.name + ".arc");
    session.WriteArchive(out, false, p.Marks(0), 0);
    EXPECT_EQ(ReadBytes(out), c.written) << c.name;
  }
  EXPECT_TRUE(errors.Shown().empty());
}

}  // namespace
}  // namespace parvex::test
