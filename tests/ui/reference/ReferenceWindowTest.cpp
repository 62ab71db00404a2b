#include "ReferenceWindowSupport.h"
#include "reference/Inputs.h"
#include "ui/reference/ReferenceModels.h"

namespace parvex::test {
namespace {

TEST_F(ReferenceWindow, LabelsAccessKeysNamesAndKeyboardOrder) {
  auto w = Open();
  struct Named {
    QWidget* control;
    QString caption;
  };
  const Named named[] = {{w->txtReference, w->lblReference->text()},
                         {w->lstArchives, w->lblArchives->text()},
                         {w->tblSummary, w->lblSummary->text()},
                         {w->txtFilter, w->lblFilter->text()},
                         {w->tblMatrix, w->lblMatrix->text()},
                         {w->txtInclude, w->lblInclude->text()},
                         {w->chkIgnoreUnits, w->chkIgnoreUnits->text()},
                         {w->cmdBrowse, w->cmdBrowse->text()},
                         {w->cmdAddFiles, w->cmdAddFiles->text()},
                         {w->cmdAddFolder, w->cmdAddFolder->text()},
                         {w->cmdRemove, w->cmdRemove->text()},
                         {w->cmdCompare, w->cmdCompare->text()},
                         {w->cmdCancel, w->cmdCancel->text()},
                         {w->cmdSave, w->cmdSave->text()},
                         {w->cmdTake, w->cmdTake->text()},
                         {w->chkSelectedOnly, w->chkSelectedOnly->text()}};
  QSet<QChar> keys;
  for (const Named& n : named) {
    const qsizetype amp = n.caption.indexOf(QLatin1Char('&'));
    ASSERT_GE(amp, 0) << n.caption.toStdString();
    EXPECT_FALSE(keys.contains(n.caption[amp + 1].toLower())) << n.caption.toStdString();
    keys.insert(n.caption[amp + 1].toLower());
    // Said without the access key's marker and a closing colon.
    QString spoken = QString(n.caption).remove(QLatin1Char('&'));
    if (spoken.endsWith(QLatin1Char(':'))) spoken.chop(1);
    EXPECT_EQ(n.control->accessibleName(), spoken);
  }
  EXPECT_EQ(w->txtReference->accessibleName(), u"Reference"_s);
  EXPECT_EQ(w->lblReference->buddy(), w->txtReference);
  EXPECT_EQ(w->lblInclude->buddy(), w->txtInclude);
  EXPECT_EQ(w->lstArchives->selectionMode(), QAbstractItemView::ExtendedSelection);

  const std::vector<QWidget*> order = {
      w->txtReference,    w->cmdBrowse,  w->lstArchives,    w->cmdAddFiles, w->cmdAddFolder,
      w->cmdRemove,       w->txtInclude, w->chkIgnoreUnits, w->cmdCompare,  w->cmdCancel,
      w->cmdSave,         w->cmdTake,    w->lblNotes,       w->tblSummary,  w->txtFilter,
      w->chkSelectedOnly, w->tblMatrix};
  ExpectTabOrder(order);
}

TEST_F(ReferenceWindow, CompareNeedsAReferenceAndAnArchive) {
  auto w = Open();
  const std::string archive = dir.Write("m1", L("1", "a", "5"));
  struct Case {
    QString reference;
    QStringList archives;
    bool enabled;
  };
  const Case cases[] = {{{}, {}, false},
                        {u"ref.arc"_s, {}, false},
                        {{}, {Q(archive)}, false},
                        {u"ref.arc"_s, {Q(archive)}, true}};
  for (const Case& c : cases) {
    w->lstArchives->clear();
    w->txtReference->setText(c.reference);
    w->AddArchives(c.archives);
    EXPECT_EQ(w->cmdCompare->isEnabled(), c.enabled) << c.reference.toStdString();
  }
  EXPECT_FALSE(w->cmdCancel->isEnabled());
}

// A folder brings its own files, not its subfolders'.
TEST_F(ReferenceWindow, FilesAndFoldersComeInByDialogAndByDrop) {
  auto w = Open();
  const QString a = Q(dir.Write("one/a.arc", L("1", "a", "5")));
  const QString b = Q(dir.Write("folder/b.arc", L("1", "a", "5")));
  const QString c = Q(dir.Write("folder/c.arc", L("1", "a", "5")));
  dir.Write("folder/older/d.arc", L("1", "a", "5"));
  const QString folder = Q(dir.File("folder"));
  const QString ref = Q(dir.Write("ref.arc", L("1", "a", "5")));
  dialogs.answers = {a, folder, std::nullopt, std::nullopt};
  w->cmdAddFiles->click();
  w->cmdAddFolder->click();
  // Cancel changes nothing.
  w->cmdAddFiles->click();
  w->cmdAddFolder->click();
  EXPECT_EQ(w->Archives(), (QStringList{a, b, c}));

  // Dropped from a file manager: a file and a folder on the list; on the
  // reference field, of several files the first.
  w->lstArchives->clear();
  EXPECT_TRUE(Drop(w->lstArchives->viewport(), {a, folder}));
  EXPECT_EQ(w->Archives(), (QStringList{a, b, c}));
  EXPECT_TRUE(Drop(w->txtReference, {ref, a}));
  EXPECT_EQ(w->txtReference->text(), ref);

  // Delete removes the selected entries, however many.
  w->lstArchives->item(0)->setSelected(true);
  w->lstArchives->item(2)->setSelected(true);
  w->lstArchives->setFocus();
  QTest::keyClick(w->lstArchives, Qt::Key_Delete);
  EXPECT_EQ(w->Archives(), (QStringList{b}));
  w->lstArchives->item(0)->setSelected(true);
  w->cmdRemove->click();
  EXPECT_TRUE(w->Archives().isEmpty());
  EXPECT_TRUE(errors.Shown().empty());
}

// Opened from the File menu as a window of its own, never modal, once.
TEST_F(ReferenceWindow, OptionsAndRulesFileAreTheMainWindows) {
  auto main = fixture.Start();
  EXPECT_EQ(main->ReferenceWindow(), nullptr);
  main->mnuReference->trigger();
  frmReference* w = main->ReferenceWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible() && w->isWindow() && !w->isModal());
  EXPECT_EQ(w->parentWidget(), nullptr);
  main->mnuReference->trigger();
  EXPECT_EQ(main->ReferenceWindow(), w);
  const std::string rules = dir.Write("rules/fleet.toml", "[ignore]\naddresses = [\"2\"]\n");
  const char* const kStart = "Options: lines paired by address; read-only values ";
  struct Case {
    bool readOnly;
    bool byValue;
    bool withRules;
    const char* expected;
  };
  const Case cases[] = {
      {false, false, false, "left out; numbers compared as text; no rules file"},
      {true, false, false, "included; numbers compared as text; no rules file"},
      {false, true, false, "left out; numbers compared by value; no rules file"},
      {false, false, true, "left out; numbers compared as text; rules file fleet.toml"}};
  for (const Case& c : cases) {
    main->chkReadOnly->setChecked(c.readOnly);
    if (main->mnuNumbersByValue->isChecked() != c.byValue) main->mnuNumbersByValue->trigger();
    if (c.withRules) {
      fixture.dialogs.answers = {Q(rules)};
      main->mnuRulesFile->trigger();
    }
    EXPECT_EQ(w->lblOptions->text(), QString::fromLatin1(kStart) + QString::fromLatin1(c.expected));
  }

  // The rules apply to every archive and are counted for each.
  w->txtReference->setText(Q(dir.Write("r.arc", "1\ta\t5\tu\n2\tb\t6\tu\n")));
  w->AddArchives({Q(dir.Write("m.arc", "1\ta\t7\tu\n2\tb\t8\tu\n"))});
  Compare(*w);
  const auto ignored = [&] {
    return w->summaryModel->index(0, ReferenceSummaryModel::Ignored).data().toULongLong();
  };
  EXPECT_EQ(w->Result()->rows.size(), 1U);
  EXPECT_EQ(ignored(), 1U);

  // Read again at each comparison: a file gone bad gives one message and
  // the result before stays.
  dir.Write("rules/fleet.toml", "[ignore\n");
  w->cmdCompare->click();
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0].caption, "Error While Reading Rules");
  EXPECT_FALSE(w->Running());
  EXPECT_EQ(ignored(), 1U);

  main->mnuRulesOff->trigger();
  EXPECT_TRUE(w->lblOptions->text().endsWith(u"; no rules file"_s));
  Compare(*w);
  EXPECT_EQ(w->Result()->rows.size(), 2U);
  EXPECT_EQ(ignored(), 0U);
}

// Every case the engine's tests go through: the summary and the matrix show
// exactly what the engine gives and its CSV writes.
class ReferenceWindowCases : public ReferenceWindow,
                             public ::testing::WithParamInterface<test::FleetCase> {};

TEST_P(ReferenceWindowCases, SummaryAndMatrixAreTheEnginesResult) {
  const test::FleetCase& c = GetParam();
  options = c.options;
  auto w = Open();
  Fill(*w, c);
  Compare(*w);
  ASSERT_NE(w->Result(), nullptr);

  ReferenceRequest request;
  request.reference = PathBytes(w->txtReference->text());
  for (const QString& p : w->Archives()) request.archives.push_back(PathBytes(p));
  request.names = ColumnNames(request.archives);
  request.options = c.options;
  const ReferenceResult expected = CompareWithReference(request);
  EXPECT_EQ(Shown(*w->matrixModel), test::MatrixShown(expected));

  // Deviating cells are bold and carry a sign; the others neither.
  for (int r = 0; r < w->matrixModel->rowCount(); ++r) {
    for (int col = ReferenceMatrixModel::kFixedColumns; col < w->matrixModel->columnCount();
         ++col) {
      const QModelIndex cell = w->matrixModel->index(r, col);
      const ReferenceCell::Kind kind =
          expected
              .Cell(expected.rows[static_cast<std::size_t>(r)],
                    static_cast<std::uint32_t>(col - ReferenceMatrixModel::kFixedColumns))
              .kind;
      const bool deviates =
          kind == ReferenceCell::Kind::Value || kind == ReferenceCell::Kind::Missing;
      EXPECT_EQ(cell.data(Qt::FontRole).value<QFont>().bold(), deviates) << r << "," << col;
      EXPECT_EQ(!cell.data(Qt::DecorationRole).isNull(), deviates) << r << "," << col;
    }
  }

  ASSERT_EQ(w->summaryModel->rowCount(), static_cast<int>(expected.archives.size()));
  for (int r = 0; r < w->summaryModel->rowCount(); ++r) {
    const ArchiveSummary& s = expected.archives[static_cast<std::size_t>(r)];
    const auto at = [&](int column) { return w->summaryModel->index(r, column).data(); };
    EXPECT_EQ(at(ReferenceSummaryModel::Name).toString(), Q(s.name));
    const std::pair<int, std::uint64_t> counts[] = {
        {ReferenceSummaryModel::Differ, s.differ},
        {ReferenceSummaryModel::Missing, s.missing},
        {ReferenceSummaryModel::Extra, s.extra},
        {ReferenceSummaryModel::Ignored, s.ignored},
        {ReferenceSummaryModel::Tolerated, s.tolerated}};
    for (const auto& [column, count] : counts) EXPECT_EQ(at(column).toULongLong(), count) << column;
    EXPECT_EQ(w->summaryModel->index(r, ReferenceSummaryModel::Messages)
                  .data(ReferenceSummaryModel::SortRole)
                  .toULongLong(),
              s.messages.size() + s.notes.size());
    const QString state = at(ReferenceSummaryModel::State).toString();
    EXPECT_EQ(state, !s.readable    ? u"cannot be read: "_s + Q(s.failure)
                     : s.Deviates() ? u"deviates"_s
                                    : u"equal"_s);
    // Equal archives are set apart by more than a word.
    const QModelIndex name = w->summaryModel->index(r, ReferenceSummaryModel::Name);
    EXPECT_EQ(name.data(Qt::FontRole).value<QFont>().italic(), s.readable && !s.Deviates());
  }
  // Messages are counted, never shown one box at a time.
  EXPECT_TRUE(errors.Shown().empty());
}

INSTANTIATE_TEST_SUITE_P(Fleet, ReferenceWindowCases, ::testing::ValuesIn(test::FleetCases()));

TEST_F(ReferenceWindow, SummarySortsByAnyColumnAsNumbers) {
  auto w = Open();
  std::string ref;
  for (int i = 1; i <= 12; ++i) ref += L(std::to_string(i), "d", "1");
  w->txtReference->setText(Q(dir.Write("ref.arc", ref)));
  // Two, ten and zero values differ.
  const auto changed = [&](int n) {
    std::string text;
    for (int i = 1; i <= 12; ++i) text += L(std::to_string(i), "d", i <= n ? "2" : "1");
    return text;
  };
  w->AddArchives({Q(dir.Write("b", changed(2))), Q(dir.Write("a", changed(10))),
                  Q(dir.Write("c", changed(0)))});
  Compare(*w);
  const auto column = [&](int c) {
    QStringList texts;
    for (int r = 0; r < w->summarySort->rowCount(); ++r) {
      texts << w->summarySort->index(r, c).data().toString();
    }
    return texts;
  };
  w->tblSummary->sortByColumn(ReferenceSummaryModel::Differ, Qt::AscendingOrder);
  EXPECT_EQ(column(ReferenceSummaryModel::Differ), (QStringList{u"0"_s, u"2"_s, u"10"_s}));
  w->tblSummary->sortByColumn(ReferenceSummaryModel::Name, Qt::DescendingOrder);
  EXPECT_EQ(column(ReferenceSummaryModel::Name), (QStringList{u"c"_s, u"b"_s, u"a"_s}));
}

TEST_F(ReferenceWindow, BadInputsKeepThePreviousResultOrAreListed) {
  auto w = Open();
  w->txtReference->setText(Q(dir.Write("ref.arc", L("1", "a", "5"))));
  w->AddArchives({Q(dir.Write("m1", L("1", "a", "5"))), Q(dir.Write("m2", L("1", "a", "6")))});
  Compare(*w);
  const ReferenceResult* first = w->Result();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(w->sbStatus->text(), u"1 of 2 archive(s) deviate, 1 equal; 0 message(s); 1 row(s)"_s);

  // A reference that cannot be read: one message, the result stays.
  const QString reference = w->txtReference->text();
  w->txtReference->setText(Q(dir.File("gone.arc")));
  Compare(*w);
  EXPECT_EQ(w->Result(), first);
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_NE(errors.Shown()[0].prompt.find("gone.arc"), std::string::npos);

  // An archive that vanished since it was added is listed with its state.
  w->txtReference->setText(reference);
  const QString vanishing = Q(dir.Write("vanishing", L("1", "a", "5")));
  w->AddArchives({vanishing});
  QFile::remove(vanishing);
  Compare(*w);
  ASSERT_NE(w->Result(), first);
  const ArchiveSummary& last = w->Result()->archives.back();
  EXPECT_FALSE(last.readable);
  const int row = w->summaryModel->rowCount() - 1;
  EXPECT_TRUE(w->summaryModel->index(row, ReferenceSummaryModel::State)
                  .data()
                  .toString()
                  .startsWith(u"cannot be read"_s));
  EXPECT_TRUE(w->Result()->archives[0].readable);
  EXPECT_EQ(errors.Shown().size(), 1U);
  // The status line counts it apart, not as equal.
  EXPECT_TRUE(
      w->sbStatus->text().startsWith(u"1 of 3 archive(s) deviate, 1 equal, 1 cannot be read; "_s))
      << w->sbStatus->text().toStdString();
}

TEST_F(ReferenceWindow, CancelStopsTheRunAndLeavesThePreviousResult) {
  // The comparison waits after its first archive until Cancel reaches it,
  // as a long run would be caught half way.
  std::atomic<bool> holding{false};
  std::atomic<std::size_t> compared{0};
  auto w = Open([&](const ReferenceRequest& given) {
    ReferenceRequest request = given;
    request.jobs = 1;
    request.progress = [&, given](std::size_t done, std::size_t total) {
      compared = done;
      given.progress(done, total);
      if (!holding) return;
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!given.cancel->load() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    };
    return CompareWithReference(request);
  });
  Fill(*w, CaseNamed("differing values"));
  Compare(*w);
  const ReferenceResult* first = w->Result();
  ASSERT_NE(first, nullptr);
  const QString status = w->sbStatus->text();

  for (int i = 0; i < 20; ++i) {
    w->AddArchives({Q(dir.Write("more" + std::to_string(i), L("1", "a", "9")))});
  }
  holding = true;
  w->cmdCompare->click();
  ASSERT_TRUE(WaitUntil([&] { return w->prgCompare->value() >= 1; }));
  EXPECT_TRUE(w->Running());
  EXPECT_TRUE(w->cmdCancel->isEnabled());
  EXPECT_FALSE(w->cmdCompare->isEnabled());
  w->cmdCancel->click();
  ASSERT_TRUE(WaitUntil([&] { return !w->Running(); }));
  EXPECT_LT(compared.load(), 22U);
  EXPECT_EQ(w->Result(), first);
  EXPECT_EQ(w->matrixModel->rowCount(), static_cast<int>(first->rows.size()));
  EXPECT_NE(w->sbStatus->text(), status);
  EXPECT_TRUE(w->cmdCompare->isEnabled());
  EXPECT_FALSE(w->cmdCancel->isEnabled());
}

}  // namespace
}  // namespace parvex::test
