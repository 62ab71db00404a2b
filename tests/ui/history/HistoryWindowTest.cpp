// The History window's commands against a store in a temporary folder, and
// their way into the main window.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "UiSupport.h"
#include "history/Store.h"
#include "ui/history/HistoryTexts.h"
#include "ui/history/frmHistory.h"
#include "ui/history/frmValueHistory.h"

namespace parvex::test {
namespace {

// Two days of a machine: the second moved 10.2 down a line, changed 10.4 and
// added 10.5, so that pairing by position and by address tell different stories.
const std::string kMonday = L("10.1", "Max speed", "3000", "rpm") + L("10.2", "Ramp", "250", "ms") +
                            L("10.3", "Name", "press", "") + L("10.4", "Limit", "12.5", "A");
const std::string kTuesday = L("10.1", "Max speed", "3000", "rpm") +
                             L("10.3", "Name", "press", "") + L("10.2", "Ramp", "250", "ms") +
                             L("10.4", "Limit", "15", "A") + L("10.5", "New", "1", "");
constexpr UnixSeconds kMondayTime = 1714370400;  // 2024-04-29, 06:00 UTC
constexpr UnixSeconds kTuesdayTime = kMondayTime + 86400;

class HistoryWindow : public MainWindowTest {
 protected:
  HistoryWindow() : oldData_(qgetenv("XDG_DATA_HOME")) {
    // The default store lies in the test's folder, never in the user's.
    qputenv("XDG_DATA_HOME", Q(dir.File("data")).toLocal8Bit());
  }
  ~HistoryWindow() override { qputenv("XDG_DATA_HOME", oldData_); }

  frmHistory& History() {
    window->mnuHistory->trigger();
    return *window->HistoryWindow();
  }
  // An archive file taken at the given time.
  QString Archive(const std::string& name, const std::string& bytes, UnixSeconds taken) {
    QFile file(Q(dir.Write(name, bytes)));
    EXPECT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::fromSecsSinceEpoch(taken), QFileDevice::FileModificationTime);
    return file.fileName();
  }
  // Monday and Tuesday dropped on the machines list, named press-1 when asked.
  void AddTwoDays(frmHistory& h) {
    fixture.dialogs.onModal = [](QDialog& asked) {
      asked.findChild<QLineEdit*>(u"txtMachine"_s)->setText(u"press-1"_s);
      asked.accept();
    };
    ASSERT_TRUE(Drop(h.tvwMachines->viewport(), {Archive("mon.arc", kMonday, kMondayTime),
                                                 Archive("tue.arc", kTuesday, kTuesdayTime)}));
    fixture.dialogs.onModal = nullptr;
  }
  static QStringList Texts(const QTreeWidget* list, int row) {
    QStringList texts;
    for (int c = 0; c < list->columnCount(); ++c) texts << list->topLevelItem(row)->text(c);
    return texts;
  }
  static void Select(frmHistory& h, std::initializer_list<int> rows) {
    h.tvwSnapshots->clearSelection();
    for (const int r : rows) h.tvwSnapshots->topLevelItem(r)->setSelected(true);
  }
  std::vector<QStringList> ListRows() const {
    std::vector<QStringList> rows;
    for (int r = 0; r < window->lvList->model()->rowCount(); ++r) {
      rows.push_back({Cell(r, 0), Cell(r, 2), Cell(r, 3)});
    }
    return rows;
  }

 private:
  QByteArray oldData_;
};

const QString kMon = TimeText(kMondayTime);
const QString kTue = TimeText(kTuesdayTime);

// Added by a drop with the machine asked for, the same file again through
// the dialog adds nothing; the lists show the counts and the baseline.
TEST_F(HistoryWindow, AddTwoThenMarkBaseline) {
  frmHistory& h = History();
  ASSERT_NE(h.CurrentStore(), nullptr);
  EXPECT_EQ(h.txtStore->text(), Q(dir.File("data/parvex/history.sqlite")));
  ExpectTabOrder({h.txtStore, h.cmdBrowseStore, h.tvwMachines, h.tvwSnapshots, h.cmdAdd,
                  h.cmdBaseline, h.cmdCompare, h.cmdSave});
  AddTwoDays(h);
  EXPECT_EQ(h.sbStatus->text(), u"2 snapshot(s) added to press-1"_s);
  fixture.dialogs.answers = {Q(dir.File("tue.arc"))};
  h.cmdAdd->click();
  EXPECT_EQ(h.sbStatus->text(), u"0 snapshot(s) added to press-1; 1 already in the store"_s);
  ASSERT_EQ(h.tvwMachines->topLevelItemCount(), 1);
  const QString days = QString::number(DaysSince(kTuesdayTime, QDateTime::currentSecsSinceEpoch()));
  EXPECT_EQ(Texts(h.tvwMachines, 0), (QStringList{u"press-1"_s, kTue, {}, days, {}}));
  ASSERT_EQ(h.tvwSnapshots->topLevelItemCount(), 2);
  // Tuesday: 10.4 changed and 10.5 added; 10.2 moved, which by address is no change.
  EXPECT_EQ(Texts(h.tvwSnapshots, 0), (QStringList{kMon, {}, u"4"_s, {}, {}}));
  EXPECT_EQ(Texts(h.tvwSnapshots, 1), (QStringList{kTue, {}, u"5"_s, u"2"_s, {}}));

  Select(h, {0});
  h.cmdBaseline->click();
  EXPECT_EQ(h.tvwSnapshots->topLevelItem(0)->text(4), u"Baseline"_s);
  EXPECT_TRUE(h.tvwSnapshots->topLevelItem(0)->font(0).bold());
  EXPECT_EQ(Texts(h.tvwMachines, 0),
            (QStringList{u"press-1"_s, kTue, kMon, days, u"yes: 1 changed, 1 extra"_s}));
  EXPECT_TRUE(errors.Shown().empty());
}

// Two snapshots, or one with the baseline, open in the main window paired by
// address for that comparison only: the Options menu and its setting stay.
TEST_F(HistoryWindow, CompareOpensThePairByAddressOnce) {
  frmHistory& h = History();
  AddTwoDays(h);
  Select(h, {0});
  h.cmdBaseline->click();
  const std::vector<QStringList> expected{{u"10.4"_s, u"12.5"_s, u"15"_s},
                                          {u"10.5"_s, u"(missing)"_s, u"1"_s}};
  for (const auto& rows : {std::initializer_list<int>{0, 1}, {1}}) {
    Select(h, rows);
    h.cmdCompare->click();
    EXPECT_EQ(ListRows(), expected) << rows.size();
    EXPECT_TRUE(window->txtArchive1->text().endsWith(u"press-1 "_s + kMon + u".arc"_s));
    EXPECT_TRUE(window->txtArchive2->text().endsWith(u"press-1 "_s + kTue + u".arc"_s));
    EXPECT_TRUE(window->lblNotes->text().startsWith(u"Snapshots of press-1: "_s + kMon))
        << window->lblNotes->text().toStdString();
  }
  EXPECT_TRUE(window->lblNotes->text().contains(u"(baseline)"_s));
  EXPECT_FALSE(window->mnuMatchByAddress->isChecked());
  EXPECT_TRUE(window->ListedOptions().MatchByAddress);
  // The same fields compared again by the button pair by position: 10.2 and
  // 10.3 swapped places, and Tuesday's extra line is past Monday's end.
  window->cmdTwoArchives->click();
  EXPECT_EQ(ListRows().size(), 3u);
  window->close();
  EXPECT_EQ(ReadBytes(fixture.settingsPath.toStdString()).find("matchbyaddress"),
            std::string::npos);
  EXPECT_TRUE(errors.Shown().empty());
}

// Saved through the one writer: every byte as it was added, whatever they are.
TEST_F(HistoryWindow, SaveSnapshotBytesExactly) {
  frmHistory& h = History();
  const std::string odd = "1.1\tCaf\xe9\t3\tm\r\n1.2\t\xc3\xa9t\xc3\xa9\t\t\r\n1.3\tcut";
  fixture.dialogs.onModal = [](QDialog& asked) { asked.accept(); };  // the folder's name
  ASSERT_TRUE(Drop(h.tvwSnapshots->viewport(), {Archive("m-7/odd.arc", odd, kMondayTime)}));
  EXPECT_EQ(h.Machine(), u"m-7"_s);
  Select(h, {0});
  fixture.dialogs.answers = {Q(dir.File("out/saved.arc"))};
  std::filesystem::create_directories(dir.Path() / "out");
  h.cmdSave->click();
  EXPECT_EQ(fixture.dialogs.calls.back().fileName, u"m-7 "_s + kMon + u".arc"_s);
  EXPECT_EQ(ReadBytes(dir.File("out/saved.arc")), odd);
  EXPECT_TRUE(errors.Shown().empty());
}

// Value History on the list's row: the first value and each change, plotted
// when every value is a number.
TEST_F(HistoryWindow, ValueHistoryOfTheChosenRow) {
  frmHistory& h = History();
  AddTwoDays(h);
  Archive("wed.arc", kTuesday + L("10.6", "x", "y"), kTuesdayTime + 86400);
  h.AddFiles({Q(dir.File("wed.arc"))});
  CompareArchives(kMonday, kTuesday);
  struct Case {
    QString address;
    std::vector<QStringList> values;
    bool plotted;
  };
  const std::vector<Case> cases{
      {u"10.4"_s, {{kMon, u"12.5"_s, u"A"_s}, {kTue, u"15"_s, u"A"_s}}, true},
      {u"10.3"_s, {{kMon, u"press"_s, {}}}, false}};
  for (const Case& c : cases) {
    std::vector<QStringList> shown;
    bool plotted = false;
    std::size_t points = 0;
    fixture.dialogs.onModal = [&](QDialog& d) {
      auto& v = dynamic_cast<frmValueHistory&>(d);
      for (int r = 0; r < v.tvwValues->topLevelItemCount(); ++r) {
        shown.push_back(Texts(v.tvwValues, r));
      }
      plotted = v.Plotted();
      points = v.Points().size();
    };
    const QModelIndexList at = window->lvList->model()->match(
        window->lvList->model()->index(0, 0), Qt::DisplayRole, c.address, 1, Qt::MatchExactly);
    ASSERT_EQ(at.size(), 1);
    window->lvList->setCurrentIndex(at.front());
    window->mnuValueHistory->trigger();
    EXPECT_EQ(shown, c.values) << c.address.toStdString();
#ifdef PARVEX_CHARTS
    EXPECT_EQ(plotted, c.plotted) << c.address.toStdString();
#endif
    // 12.5 from Monday, 15 from Tuesday on to Wednesday's snapshot.
    EXPECT_EQ(points, c.plotted ? 4u : 0u) << c.address.toStdString();
  }
  EXPECT_TRUE(errors.Shown().empty());
}

}  // namespace
}  // namespace parvex::test
