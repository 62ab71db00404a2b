#include <cstring>

#include "ReferenceWindowSupport.h"
#include "ui/reference/ReferenceModels.h"

namespace parvex::test {
namespace {

// Three archives against one reference: m1 changes the speed, m2 lacks the
// current and m3 equals the reference.
class ReferenceResultTest : public ReferenceWindow {
 protected:
  std::unique_ptr<frmReference> Compared() {
    auto w = Open();
    const std::string ref =
        L("10.1", "Max speed", "3000") + L("10.2", "Ramp", "250") + L("10.4", "Current", "12.5");
    w->txtReference->setText(Q(dir.Write("ref.arc", ref)));
    w->AddArchives({Q(dir.Write("m1", L("10.1", "Max speed", "3600") + L("10.2", "Ramp", "250") +
                                          L("10.4", "Current", "12.5"))),
                    Q(dir.Write("m2", L("10.1", "Max speed", "3000") + L("10.2", "Ramp", "300"))),
                    Q(dir.Write("m3", ref))});
    Compare(*w);
    return w;
  }

  // The visible matrix: each row's address, then the headers of its archive
  // columns.
  static QStringList Addresses(const frmReference& w) {
    QStringList out;
    for (int r = 0; r < w.matrixFilter->rowCount(); ++r) {
      out << w.matrixFilter->index(r, 0).data().toString();
    }
    return out;
  }
  static QStringList ArchiveColumns(const frmReference& w) {
    QStringList out;
    for (int c = ReferenceMatrixModel::kFixedColumns; c < w.matrixFilter->columnCount(); ++c) {
      out << w.matrixFilter->headerData(c, Qt::Horizontal).toString();
    }
    return out;
  }
};

TEST_F(ReferenceResultTest, FilterAndSelectedArchivesNarrowTheMatrix) {
  auto w = Compared();
  struct Case {
    const char* filter;
    std::vector<int> selected;  // rows of the summary
    bool selectedOnly;
    QStringList addresses;
    QStringList columns;
  };
  const QString m1 = u"m1"_s, m2 = u"m2"_s, m3 = u"m3"_s;
  const QString a1 = u"10.1"_s, a2 = u"10.2"_s, a4 = u"10.4"_s;
  const Case cases[] = {
      {"", {}, false, {a1, a2, a4}, {m1, m2, m3}},
      {"10.2", {}, false, {a2}, {m1, m2, m3}},
      {"speed", {}, false, {a1}, {m1, m2, m3}},  // by description, any case
      {"nothing", {}, false, {}, {m1, m2, m3}},
      {"", {0}, false, {a1, a2, a4}, {m1, m2, m3}},  // selected, but not asked for
      {"", {0}, true, {a1}, {m1}},
      {"", {1}, true, {a2, a4}, {m2}},
      {"", {0, 1}, true, {a1, a2, a4}, {m1, m2}},
      {"", {2}, true, {}, {m3}},
      {"ramp", {0, 1}, true, {a2}, {m1, m2}}};
  for (const Case& c : cases) {
    w->txtFilter->setText(QString::fromLatin1(c.filter));
    w->tblSummary->clearSelection();
    for (const int row : c.selected) {
      w->tblSummary->selectionModel()->select(
          w->summarySort->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    w->chkSelectedOnly->setChecked(c.selectedOnly);
    EXPECT_EQ(Addresses(*w), c.addresses) << c.filter << " " << c.selected.size();
    EXPECT_EQ(ArchiveColumns(*w), c.columns) << c.filter << " " << c.selected.size();
  }
  // Ctrl+F goes to the filter.
  w->activateWindow();
  w->tblMatrix->setFocus();
  QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(w->txtFilter->hasFocus());
}

TEST_F(ReferenceResultTest, AddressAndDescriptionStayInViewSideways) {
  auto w = Compared();
  w->resize(500, 600);
  QTest::qWait(10);
  const auto shownColumns = [](const QTableView* view) {
    QStringList out;
    for (int c = 0; c < view->model()->columnCount(); ++c) {
      if (!view->isColumnHidden(c)) out << view->model()->headerData(c, Qt::Horizontal).toString();
    }
    return out;
  };
  EXPECT_EQ(shownColumns(w->tblFixed), (QStringList{u"Address"_s, u"Description"_s}));
  EXPECT_EQ(shownColumns(w->tblMatrix),
            (QStringList{u"Units"_s, u"Reference"_s, u"m1"_s, u"m2"_s, u"m3"_s}));
  // Narrowed to one archive and back, the frozen columns stay where they are.
  w->tblSummary->selectRow(0);
  w->chkSelectedOnly->setChecked(true);
  w->chkSelectedOnly->setChecked(false);
  EXPECT_EQ(shownColumns(w->tblFixed).size(), 2);
  EXPECT_EQ(shownColumns(w->tblMatrix).size(), 5);
  // Scrolled down in the matrix, the addresses follow.
  w->tblMatrix->verticalScrollBar()->setRange(0, 10);
  w->tblFixed->verticalScrollBar()->setRange(0, 10);
  w->tblMatrix->verticalScrollBar()->setValue(2);
  EXPECT_EQ(w->tblFixed->verticalScrollBar()->value(), 2);
  EXPECT_EQ(w->tblFixed->selectionModel(), w->tblMatrix->selectionModel());
}

TEST_F(ReferenceResultTest, DoubleClickOpensThePairInTheMainWindow) {
  auto main = fixture.Start();
  main->mnuReference->trigger();
  frmReference* w = main->ReferenceWindow();
  const std::string ref = L("1", "a", "5") + L("2", "b", "6");
  const QString reference = Q(dir.Write("ref.arc", ref));
  // In another order, so that only matching by address pairs it line for line.
  const QString archive = Q(dir.Write("m1", L("2", "b", "7") + L("1", "a", "5")));
  w->txtReference->setText(reference);
  w->AddArchives({Q(dir.Write("m0", ref)), archive});
  Compare(*w);
  ASSERT_FALSE(main->mnuMatchByAddress->isChecked());

  const auto doubleClick = [&](int row) {
    const QRect cell = w->tblSummary->visualRect(w->summarySort->index(row, 0));
    ASSERT_TRUE(cell.isValid());
    // A double click starts with a press, as a mouse gives it.
    QTest::mousePress(w->tblSummary->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(w->tblSummary->viewport(), Qt::LeftButton, {}, cell.center());
  };
  const auto header = [&](int section) {
    emit w->tblMatrix->horizontalHeader()->sectionDoubleClicked(section);
  };
  struct Case {
    const char* how;
    std::function<void()> act;  // each opens m1's pair
  };
  const Case cases[] = {{"summary row", [&] { doubleClick(1); }},
                        {"column header", [&] { header(5); }},
                        {"summary row, sorted by name the other way round",
                         [&] {
                           w->tblSummary->sortByColumn(ReferenceSummaryModel::Name,
                                                       Qt::DescendingOrder);
                           doubleClick(0);
                         }},
                        {"column header, only the selected archive's deviations", [&] {
                           w->tblSummary->selectRow(0);
                           w->chkSelectedOnly->setChecked(true);
                           header(ReferenceMatrixModel::kFixedColumns);
                         }}};
  for (const Case& c : cases) {
    main->txtArchive1->clear();
    main->txtArchive2->clear();
    main->List().Clear();
    c.act();
    EXPECT_EQ(main->txtArchive1->text(), reference) << c.how;
    EXPECT_EQ(main->txtArchive2->text(), archive) << c.how;
    EXPECT_TRUE(main->mnuMatchByAddress->isChecked()) << c.how;
    EXPECT_EQ(main->List().Count(), 1) << c.how;
  }
  // Switched on as a person would: remembered.
  EXPECT_EQ(gRegistry->GetItem(u"MatchByAddress"_s).ToInt32(), 1);
}

// The layout by the name, else by the filter; each written whole.
TEST_F(ReferenceResultTest, SaveReportWritesEachLayoutWhole) {
  auto w = Compared();
  struct Case {
    const char* chosen;
    const char* pattern;
    const char* written;  // the name the report is saved under
    const char* starts;   // the layout's first bytes
    const char* ends;     // and its last
  };
  const Case cases[] = {
      {"a.csv", "*.html", "a.csv", "\"Address\",\"Description\",\"Units\",\"Reference\"", "\r\n"},
      {"b", "*.json", "b.json", "{", "}\n"},
      {"c", "*.html", "c.html", "<!DOCTYPE html>", "</html>\n"},
      {"e", "", "e.csv", "\"Address\"", "\r\n"},
      // Endings are lower case; an unknown one takes the filter's layout.
      {"f.HTM", "*.csv", "f.HTM", "\"Address\"", "\r\n"},
      {"g.txt", "*.html", "g.txt", "<!DOCTYPE html>", "</html>\n"},
      {"h.xhtml", "*.csv", "h.xhtml", "<!DOCTYPE html>", "</html>\n"},
      {"r.d/i", "*.json", "r.d/i.json", "{", "}\n"},
      // A name that ends in a dot takes no second one.
      {"d.", "*.csv", "d.", "\"Address\"", "\r\n"}};
  dir.Write("r.d/other", "");
  for (const Case& c : cases) {
    dialogs.answers = {Q(dir.File(c.chosen))};
    dialogs.savePattern = QString::fromLatin1(c.pattern);
    w->cmdSave->click();
    const std::string written = ReadBytes(dir.File(c.written));
    EXPECT_EQ(written.rfind(c.starts, 0), 0U) << c.chosen << "\n" << written;
    EXPECT_TRUE(written.size() > 2 &&
                written.substr(written.size() - std::strlen(c.ends)) == c.ends)
        << c.chosen;
    EXPECT_NE(written.find("3600"), std::string::npos) << c.chosen;
    EXPECT_EQ(w->sbStatus->text(), u"Saved "_s + Q(dir.File(c.written)));
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("d..csv")));
  EXPECT_EQ(dialogs.calls.back().title, u"Save Report"_s);
  EXPECT_TRUE(errors.Shown().empty());

  // A report that cannot be written says so once and leaves nothing behind;
  // Cancel says nothing.
  dialogs.answers = {Q(dir.File("missing/a.csv")), std::nullopt};
  w->cmdSave->click();
  w->cmdSave->click();
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0].caption, "Error While Saving Report");

  // Nor does it replace the reference or an archive it was made from.
  const std::string reference = ReadBytes(dir.File("ref.arc"));
  std::filesystem::create_hard_link(dir.File("m2"), dir.File("m2.csv"));
  dialogs.answers = {Q(dir.File("ref.arc")), Q(dir.File("m2.csv"))};
  dialogs.savePattern = u"*.csv"_s;
  w->cmdSave->click();
  w->cmdSave->click();
  ASSERT_EQ(errors.Shown().size(), 3U);
  EXPECT_NE(errors.Shown()[1].prompt.find("ref.arc'"), std::string::npos);
  EXPECT_NE(errors.Shown()[2].prompt.find("m2'"), std::string::npos);
  EXPECT_EQ(ReadBytes(dir.File("ref.arc")), reference);
}

TEST_F(ReferenceResultTest, InputsAndPlacementComeBackAfterARestart) {
  const QString reference = Q(dir.Write("ref.arc", L("1", "a", "5")));
  const QString named = Q(dir.Write("m0", L("1", "a", "6")));
  const QStringList found = {Q(dir.Write("fleet/f1.arc", L("1", "a", "6"))),
                             Q(dir.Write("fleet/f2.arc", L("1", "a", "6")))};
  dir.Write("fleet/notes.txt", "not taken\n");
  const auto inputs = [](const frmReference& w) {
    return std::make_tuple(w.txtReference->text(), w.Archives(), w.FromFolder(),
                           w.txtInclude->text(), w.chkIgnoreUnits->isChecked());
  };
  const auto nothing =
      std::make_tuple(QString(), QStringList(), std::vector<bool>(), QString(), false);
  QList<int> split;
  {
    auto w = Open();
    // A fresh start has nothing.
    EXPECT_EQ(inputs(*w), nothing);
    w->txtReference->setText(reference);
    w->txtInclude->setText(u"*.arc"_s);
    w->AddArchives({named, Q(dir.File("fleet"))});
    w->chkIgnoreUnits->setChecked(true);
    // Above the window's least size on every platform's fonts.
    w->setGeometry(40, 50, 960, 600);
    QApplication::processEvents();
    w->splResults->setSizes({90, 300});
    split = w->splResults->sizes();
    w->close();
  }
  {
    auto w = Open();
    QApplication::processEvents();
    EXPECT_EQ(inputs(*w), std::make_tuple(reference, QStringList{named} + found,
                                          std::vector<bool>{false, true, true}, u"*.arc"_s, true));
    EXPECT_EQ(w->geometry().size(), QSize(960, 600));
    EXPECT_EQ(w->splResults->sizes(), split);
    // Emptied, it comes back empty.
    w->lstArchives->clear();
    w->txtReference->clear();
    w->txtInclude->clear();
    w->chkIgnoreUnits->setChecked(false);
    w->close();
  }
  auto w = Open();
  EXPECT_EQ(inputs(*w), nothing);
}

TEST_F(ReferenceResultTest, ClosingTheMainWindowKeepsTheReferenceWindowsInputs) {
  const QString reference = Q(dir.Write("ref.arc", L("1", "a", "5")));
  {
    auto main = fixture.Start();
    main->mnuReference->trigger();
    main->ReferenceWindow()->txtReference->setText(reference);
    main->close();
    EXPECT_FALSE(main->ReferenceWindow()->isVisible());
  }
  auto main = fixture.Start();
  main->mnuReference->trigger();
  EXPECT_EQ(main->ReferenceWindow()->txtReference->text(), reference);
}

}  // namespace
}  // namespace parvex::test
