#include "ReferenceWindowSupport.h"
#include "ui/reference/ReferenceModels.h"

namespace parvex::test {
namespace {

// The matrix row whose description is given, or -1.
int RowOf(const frmReference& w, const char* description) {
  for (int r = 0; r < w.matrixModel->rowCount(); ++r) {
    if (w.matrixModel->index(r, 1).data().toString() == QLatin1String(description)) return r;
  }
  return -1;
}

TEST_F(ReferenceWindow, UnitsExtraValuesAndDeviationsEachHaveAMarkOfTheirOwn) {
  auto w = Open();
  w->txtReference->setText(Q(dir.Write(
      "ref.arc", L("1", "a", "5") + L("2", "speed", "2000", "mm/min") + L("3", "c", "7"))));
  w->AddArchives({Q(dir.Write("m1", L("1", "a", "6") + L("2", "speed", "2000", "mm/s") +
                                        L("2.5", "new", "9") + L("3", "c", "7"))),
                  Q(dir.Write("m2", L("1", "a", "5") + L("2", "speed", "2000", "mm/min")))});
  Compare(*w);
  struct Case {
    const char* description;
    int archive;
    const char* text;
    const char* mark;  // the accessible description; empty: none
    const char* tip;
    bool italic;
  };
  const Case cases[] = {{"a", 0, "6", "deviates", "6", false},
                        {"speed", 0, "2000 [mm/s]", "units differ",
                         "Units differ from the reference's (mm/min)", false},
                        {"new", 0, "9", "not in the reference",
                         "Not in the reference: only some archives have this line", true},
                        {"new", 1, "", "", "", false},
                        {"c", 1, "(missing)", "deviates", "(missing)", false}};
  std::vector<QImage> signs;
  for (const Case& c : cases) {
    const int row = RowOf(*w, c.description);
    ASSERT_GE(row, 0) << c.description;
    const QModelIndex cell =
        w->matrixModel->index(row, ReferenceMatrixModel::kFixedColumns + c.archive);
    const bool marked = *c.mark != '\0';
    EXPECT_EQ(cell.data().toString(), QLatin1String(c.text)) << c.description;
    EXPECT_EQ(cell.data(Qt::AccessibleDescriptionRole).toString(), QLatin1String(c.mark));
    EXPECT_EQ(cell.data(Qt::ToolTipRole).toString(), QLatin1String(c.tip)) << c.description;
    EXPECT_EQ(cell.data(Qt::FontRole).value<QFont>().bold(), marked) << c.description;
    EXPECT_EQ(cell.data(Qt::FontRole).value<QFont>().italic(), c.italic) << c.description;
    EXPECT_EQ(cell.data(Qt::DecorationRole).isNull(), !marked) << c.description;
    if (marked) signs.push_back(cell.data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage());
  }
  // Three signs: deviates, units differ, not in the reference.
  EXPECT_FALSE(signs[0].isNull());
  EXPECT_EQ(signs[0], signs[3]);
  EXPECT_NE(signs[0], signs[1]);
  EXPECT_NE(signs[0], signs[2]);
  EXPECT_NE(signs[1], signs[2]);
  EXPECT_EQ(w->matrixModel->index(RowOf(*w, "new"), 3).data().toString(), u"(missing)"_s);

  // Units ignored: the same value in other units equals the reference.
  w->chkIgnoreUnits->setChecked(true);
  Compare(*w);
  EXPECT_EQ(RowOf(*w, "speed"), -1);
  EXPECT_GE(RowOf(*w, "a"), 0);
}

TEST_F(ReferenceWindow, NotesOfArchivesAndFilesSkippedAreSaid) {
  std::vector<std::string> skipped;
  std::vector<std::string> referenceNotes;
  const std::string cut = "m2: line 1 ends without a line end; the file was probably cut short";
  auto w = Open([&](const ReferenceRequest& request) {
    ReferenceResult result = CompareWithReference(request);
    result.reference.notes = referenceNotes;
    result.archives[0].notes = {"m1: cut"};
    result.archives[1].notes = {cut};
    result.skipped = skipped;
    return result;
  });
  w->txtReference->setText(Q(dir.Write("ref.arc", L("1", "a", "5"))));
  // m1 has a message besides its note, m3 neither.
  w->AddArchives({Q(dir.Write("m1", "99999\tx\t1\tu\r\n" + L("1", "a", "5"))),
                  Q(dir.Write("m2", L("1", "a", "5"))), Q(dir.Write("m3", L("1", "a", "5")))});
  struct Case {
    std::vector<std::string> skipped;
    std::vector<std::string> referenceNotes;
    const char* said;
  };
  const Case cases[] = {
      {{}, {}, ""},
      {{"README.txt"}, {}, "Skipped 1 file that is not an archive: README.txt"},
      {{"README.txt", "blob.bin"},
       {"ref.arc: cut"},
       "Reference: ref.arc: cut\nSkipped 2 files that are not archives: README.txt, blob.bin"}};
  for (const Case& c : cases) {
    skipped = c.skipped;
    referenceNotes = c.referenceNotes;
    Compare(*w);
    EXPECT_EQ(w->lblNotes->text(), QLatin1String(c.said));
    EXPECT_EQ(w->lblNotes->isVisibleTo(w.get()), *c.said != '\0');
  }
  const auto messages = [&](int row, int role) {
    return w->summarySort->index(row, ReferenceSummaryModel::Messages).data(role).toString();
  };
  EXPECT_EQ(messages(0, Qt::DisplayRole), u"1 message; m1: cut"_s);
  EXPECT_EQ(messages(1, Qt::DisplayRole), Q(cut));
  EXPECT_EQ(messages(2, Qt::DisplayRole), u"0"_s);
  EXPECT_TRUE(messages(1, Qt::ToolTipRole).contains(Q(cut)));
  // Sorted by how many there are, whatever the text says.
  w->tblSummary->sortByColumn(ReferenceSummaryModel::Messages, Qt::AscendingOrder);
  QStringList order;
  for (int r = 0; r < 3; ++r) order << w->summarySort->index(r, 0).data().toString();
  EXPECT_EQ(order, (QStringList{u"m3"_s, u"m2"_s, u"m1"_s}));
}

TEST_F(ReferenceWindow, IncludeGlobsChooseTheFilesAFolderBrings) {
  ReferenceRequest asked;
  auto w = Open([&](const ReferenceRequest& request) {
    asked = request;
    return CompareWithReference(request);
  });
  const QString a = Q(dir.Write("folder/a.arc", L("1", "a", "5")));
  const QString b = Q(dir.Write("folder/b.BAK", L("1", "a", "5")));
  const QString readme = Q(dir.Write("folder/README.txt", "Backups of the presses\n"));
  const QString folder = Q(dir.File("folder"));
  struct Case {
    const char* include;
    QStringList listed;
  };
  const Case cases[] = {
      {"", {readme, a, b}}, {"*.arc", {a}}, {" *.arc ;*.bak; ", {a, b}}, {"*.none", {}}};
  for (const Case& c : cases) {
    w->lstArchives->clear();
    w->txtInclude->setText(QLatin1String(c.include));
    dialogs.answers = {folder};
    w->cmdAddFolder->click();
    EXPECT_EQ(w->Archives(), c.listed) << c.include;
    EXPECT_EQ(w->FromFolder(), std::vector<bool>(c.listed.size(), true)) << c.include;
  }
  EXPECT_EQ(w->sbStatus->text(), u"No archive files in: "_s + folder);

  // The comparison is told which archives a folder brought; none: told
  // nothing. Units are judged unless ignored.
  w->txtReference->setText(Q(dir.Write("ref.arc", L("1", "a", "5"))));
  w->txtInclude->clear();
  w->AddArchives({a, folder});
  Compare(*w);
  EXPECT_EQ(asked.fromFolder, (std::vector<bool>{false, true, true, true}));
  EXPECT_TRUE(asked.options.CompareUnits);
  w->lstArchives->clear();
  w->AddArchives({a});
  w->chkIgnoreUnits->setChecked(true);
  Compare(*w);
  EXPECT_TRUE(asked.fromFolder.empty());
  EXPECT_FALSE(asked.options.CompareUnits);
}

TEST_F(ReferenceWindow, TheSummaryShowsTwelveArchivesAtTheFirstSize) {
#ifdef _WIN32
  GTEST_SKIP() << "rows are measured with the fonts of the desktop the tests run on, not Windows'";
#endif
  auto w = Open();
  w->txtReference->setText(Q(dir.Write("ref.arc", L("1", "a", "5"))));
  for (int i = 0; i < 12; ++i)
    w->AddArchives({Q(dir.Write("m" + std::to_string(i), L("1", "a", "6")))});
  Compare(*w);
  QApplication::processEvents();
  EXPECT_EQ(w->tblSummary->verticalScrollBar()->maximum(), 0);
  EXPECT_GE(w->tblSummary->viewport()->height(), 12 * w->tblSummary->rowHeight(0));
  EXPECT_GT(w->tblMatrix->height(), 4 * w->tblMatrix->rowHeight(0));
}

}  // namespace
}  // namespace parvex::test
