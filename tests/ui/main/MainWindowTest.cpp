#include <utility>

#include "UiSupport.h"
#include "ui/main/DifferenceModel.h"
#include "ui/main/MainLayout.h"

namespace parvex::test {
namespace {

using MainWindow = MainWindowTest;

// Each control's caption (none for fields and the list), font size and the
// design's places.
TEST_F(MainWindow, ControlsCaptionsFontsAndPlaces) {
  auto& w = window;
  const qreal small = 8.25;
  const qreal large = 9.75;
  struct Control {
    const char* name;
    const char* caption;
    qreal points;
  };
  const Control controls[] = {{"lvList", "", large},
                              {"fraCommand", "Commands", large},
                              {"fraFiles", "Archive Files", large},
                              {"lblArchive1", "Archive 1", large},
                              {"lblArchive2", "Archive 2", large},
                              {"txtArchive1", "", large},
                              {"txtArchive2", "", large},
                              {"cmdSelect1", "Browse...", large},
                              {"cmdSelect2", "Browse...", large},
                              {"chkReadOnly", "Include Read Only Values", small},
                              {"Frame1", "Structure", small},
                              {"lblStruct1", "Structure 1", small},
                              {"lblStruct2", "Structure 2", small},
                              {"txtStruct1", "", small},
                              {"txtStruct2", "", small},
                              {"cmdStructure", "Compare Structures in Archive 1", large},
                              {"Frame2", "Two Archives", small},
                              {"cmdTwoArchives", "Compare Two Archive Files", large},
                              {"fraFunctions", "Functions", small},
                              {"cmdPrint", "Print Difference List", large},
                              {"cmdSave", "Save Difference List", large},
                              {"sbCompare", "0 Difference(s)", large}};
  EXPECT_EQ(w->font().pointSizeF(), small);
  for (const Control& c : controls) {
    auto* widget = w->findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(widget, nullptr) << c.name;
    QString caption;
    if (auto* b = qobject_cast<QAbstractButton*>(widget)) caption = b->text();
    if (auto* g = qobject_cast<QGroupBox*>(widget)) caption = g->title();
    if (auto* l = qobject_cast<QLabel*>(widget)) caption = l->text();
    EXPECT_EQ(caption, QString::fromLatin1(c.caption)) << c.name;
    EXPECT_EQ(widget->font().family(), w->font().family()) << c.name;
    EXPECT_EQ(widget->font().pointSizeF(), c.points) << c.name;
  }
  // Design positions at 96 dots per inch: 15 twips a pixel.
  EXPECT_EQ(w->Frame1->geometry(), QRect(8, 136, 153, 129));
  EXPECT_EQ(w->cmdSave->geometry(), QRect(8, 72, 137, 41));
  EXPECT_EQ(w->lblArchive1->buddy(), w->txtArchive1);
  EXPECT_EQ(w->lblStruct2->buddy(), w->txtStruct2);
  EXPECT_FALSE(w->windowIcon().isNull());
}

TEST_F(MainWindow, MenusAndListColumns) {
  auto& w = window;
  QStringList menus;
  for (const QAction* menu : w->menuBar()->actions()) {
    menus << menu->text();
    for (const QAction* item : menu->menu()->actions()) menus << u"  "_s + item->text();
  }
  QStringList expected{u"&File"_s,
                       u"  Compare with &Reference..."_s,
                       u"  E&xit"_s,
                       u"&Edit"_s,
                       u"  Take Archive &1 Values..."_s,
                       u"  Take Archive &2 Values..."_s,
                       u"  Save C&hange Set..."_s,
                       u"&Options"_s,
                       u"  Match Lines by &Address"_s,
                       u"  Compare &Numbers by Value"_s,
                       u"  Compare &Units"_s,
                       u"  "_s,
                       u"  &Rules File..."_s,
                       u"  No Rules"_s,
                       u"&Help"_s,
                       u"  &Documentation"_s,
                       u"  &About"_s};
#ifdef PARVEX_HISTORY
  // Where the program has the history store: its window, and a row's history.
  expected.insert(2, u"  &History..."_s);
  expected.insert(8, u"  "_s);
  expected.insert(9, u"  &Value History..."_s);
  EXPECT_EQ(w->mnuHistory->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
#endif
  EXPECT_EQ(menus, expected);
  QStringList headers;
  for (int i = 0; i < 5; ++i)
    headers << w->lvList->model()->headerData(i, Qt::Horizontal).toString();
  EXPECT_EQ(headers,
            (QStringList{u"Address"_s, u"Description"_s, u"Value 1"_s, u"Value 2"_s, u"Units"_s}));
  EXPECT_EQ(w->lvList->columnWidth(1), 233);
  // The columns keep the order the reports print them in.
  EXPECT_FALSE(w->lvList->header()->sectionsMovable());
}

// Tab walks the design order; Enter, the keypad's Enter and Space press the
// focused button once; F1 opens the manual or says why not; Ctrl+Q closes.
TEST_F(MainWindow, KeyboardOrderKeysAndShortcuts) {
  auto& w = window;
  ExpectTabOrder(
      {w->lvList, w->txtArchive1, w->txtArchive2, w->cmdSelect2, w->cmdSelect1, w->chkReadOnly,
       w->txtStruct1, w->txtStruct2, w->cmdStructure, w->cmdTwoArchives, w->cmdPrint, w->cmdSave},
      w.get());
  for (QPushButton* button : {w->cmdSelect1, w->cmdSelect2, w->cmdStructure, w->cmdTwoArchives,
                              w->cmdPrint, w->cmdSave}) {
    for (const auto& [key, modifier] :
         {std::pair{Qt::Key_Return, Qt::NoModifier}, std::pair{Qt::Key_Enter, Qt::KeypadModifier},
          std::pair{Qt::Key_Space, Qt::NoModifier}}) {
      QSignalSpy clicked(button, &QPushButton::clicked);
      button->setFocus();
      QTest::keyClick(button, key, modifier);
      EXPECT_EQ(clicked.count(), 1) << button->objectName().toStdString() << " " << key;
    }
  }
  EXPECT_EQ(w->mnuReference->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
  errors.box.shown.clear();  // what the buttons said with nothing to work on
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  QTest::keyClick(w.get(), Qt::Key_F1);
  ASSERT_EQ(fixture.opened.size(), 1U);
  EXPECT_TRUE(fixture.opened[0].endsWith(u"/Documentation/10_001.pdf"_s));
  EXPECT_TRUE(errors.Shown().empty());
  fixture.shellResult = 2;
  QTest::keyClick(w.get(), Qt::Key_F1);
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0], (test::ShownMessage{"File Not Found", build::kAppTitle, 48}));

  w->txtArchive1->setText(u"kept by Ctrl+Q.arc"_s);
  QTest::keyClick(w.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(gRegistry->GetItem(u"Archive1"_s).ToText(), u"kept by Ctrl+Q.arc"_s);
}

TEST_F(MainWindow, BrowseFillsTheFieldAndRemembersTheFolder) {
  auto& w = window;
  const QString chosen = Q(dir.File("plant/line 2/axis.arc"));
  fixture.dialogs.answers = {chosen, std::nullopt, Q(dir.File("other/b.arc"))};
  QTest::mouseClick(w->cmdSelect1, Qt::LeftButton);
  EXPECT_EQ(w->txtArchive1->text(), chosen);
  EXPECT_EQ(gRegistry->GetItem(u"SavePath"_s).ToText(), Q(dir.File("plant/line 2")));

  // Cancel: nothing shown, nothing changed.
  QTest::mouseClick(w->cmdSelect2, Qt::LeftButton);
  EXPECT_EQ(w->txtArchive2->text(), QString());
  EXPECT_EQ(gRegistry->GetItem(u"SavePath"_s).ToText(), Q(dir.File("plant/line 2")));
  EXPECT_TRUE(errors.Shown().empty());

  QTest::mouseClick(w->cmdSelect2, Qt::LeftButton);
  ASSERT_EQ(fixture.dialogs.calls.size(), 3U);
  EXPECT_EQ(fixture.dialogs.calls[0].title, u"Select Archive 1"_s);
  EXPECT_EQ(fixture.dialogs.calls[0].initDir, QString());
  EXPECT_EQ(fixture.dialogs.calls[0].filter, u"(*.*)|*.*"_s);
  EXPECT_EQ(fixture.dialogs.calls[1].title, u"Select Archive 2"_s);
  EXPECT_EQ(fixture.dialogs.calls[1].initDir, Q(dir.File("plant/line 2")));
  // The dialog shows the name it returned last.
  EXPECT_EQ(fixture.dialogs.calls[1].fileName, chosen);
  EXPECT_EQ(w->txtArchive2->text(), Q(dir.File("other/b.arc")));
}

TEST_F(MainWindow, CompareTwoArchivesFillsListIconsCaptionsAndStatus) {
  auto& w = window;
  w->txtArchive1->setText(Q(dir.Write("a.arc", "1\td\t1\tu\n2\t!r\t5\tv\n3\tm\tx\tC\n")));
  w->txtArchive2->setText(Q(dir.Write("b.arc", "1\td\t2\tu\n2\tr\t6\tv\n3\tm\ty\tC\n")));
  QTest::mouseClick(w->cmdTwoArchives, Qt::LeftButton);
  QApplication::processEvents();
  const QAbstractItemModel* model = w->lvList->model();
  ASSERT_EQ(model->rowCount(), 2);
  EXPECT_EQ(model->index(0, 0).data().toString(), u"1.0"_s);
  EXPECT_FALSE(model->index(0, 0).data(Qt::DecorationRole).isValid());
  EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), u"Archive 1"_s);
  EXPECT_EQ(w->sbCompare->text(), u"2 Difference(s)"_s);
  EXPECT_FALSE(w->StructureMode());

  w->chkReadOnly->setChecked(true);
  QTest::mouseClick(w->cmdTwoArchives, Qt::LeftButton);
  QApplication::processEvents();
  ASSERT_EQ(model->rowCount(), 3);
  const QPixmap lock = model->index(1, 0).data(Qt::DecorationRole).value<QPixmap>();
  EXPECT_EQ(lock.size(), QSize(16, 16));
  // Magenta is transparent: the corner shows nothing.
  EXPECT_EQ(lock.toImage().pixelColor(0, 15).alpha(), 0);
  EXPECT_EQ(w->sbCompare->text(), u"3 Difference(s)"_s);
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(MainWindow, StructureFields) {
  auto& w = window;
  // Structures 2, 3 and 4 each differ from structure 9 in a way that tells them apart.
  w->txtArchive1->setText(Q(dir.Write(
      "s.arc", "2.1\ta\t20\tu\n3.1\tb\t30\tu\n4.1\tc\t40\tu\n12.1\td\t120\tu\n9.1\tz\t0\tu\n")));
  struct Case {
    QString text;
    QString firstValue;  // value 1 of the one row, or empty when a message is expected
  };
  const Case cases[] = {{u" 12 "_s, u"120"_s},  {u"2.5"_s, u"20"_s},   {u"3.5"_s, u"40"_s},
                        {QString(), QString()}, {u"abc"_s, QString()}, {u"40000"_s, QString()}};
  for (const Case& c : cases) {
    const auto before = errors.Shown().size();
    w->txtStruct1->setText(c.text);
    w->txtStruct2->setText(u"9"_s);
    w->cmdTwoArchives->click();  // the mode flips back each time
    EXPECT_FALSE(w->StructureMode());
    QTest::mouseClick(w->cmdStructure, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(w->StructureMode());
    if (c.firstValue.isEmpty()) {
      ASSERT_EQ(errors.Shown().size(), before + 2)
          << c.text.toStdString();  // b.arc missing, then this
      EXPECT_EQ(errors.Shown().back().caption, "Error With Structure Parameters");
    } else {
      ASSERT_EQ(w->lvList->model()->rowCount(), 1) << c.text.toStdString();
      EXPECT_EQ(w->lvList->model()->index(0, 2).data().toString(), c.firstValue);
      EXPECT_EQ(w->lvList->model()->headerData(3, Qt::Horizontal).toString(), u"Stucture 2"_s);
    }
  }
}

// The live window below holds the usual sizes; a minimized window's sizes
// would all be negative, so nothing changes.
TEST(Layout, FollowsTheInnerSizeButNotWhenMinimized) {
  const MainLayout wide = LayoutForInnerSize(DesignLayout(), 9000, 8000);
  EXPECT_EQ(wide.lvList.Height, 8000 - 2055);
  EXPECT_EQ(LayoutForInnerSize(wide, 4000, 8000).cmdSelect1.Left, 25);
  EXPECT_EQ(LayoutForInnerSize(wide, 0, 0), wide);
}

TEST_F(MainWindow, ResizingTheWindowLaysItOut) {
  auto& w = window;
  w->resize(800, 600);
  QApplication::processEvents();
  const int inner = w->centralWidget()->width();
  EXPECT_EQ(w->lvList->width(), inner - (184 + 8));
  EXPECT_EQ(w->cmdSelect1->x(), w->fraFiles->width() - (65 + 8));
  EXPECT_EQ(w->statusBar()->geometry().bottom(), w->height() - 1);
}

// Stored settings, as numbers.
std::vector<std::int32_t> Stored(std::initializer_list<const char*> names) {
  std::vector<std::int32_t> values;
  for (const char* name : names)
    values.push_back(gRegistry->GetItem(QLatin1String(name)).ToInt32());
  return values;
}

// The inputs the window keeps from one run to the next.
auto Inputs(const frmMain& w) {
  return std::tuple(w.txtArchive1->text(), w.txtArchive2->text(), w.txtStruct1->text(),
                    w.txtStruct2->text(), w.chkReadOnly->isChecked());
}

TEST_F(MainWindow, CloseAndStartAgainRestoresInputsAndPlacement) {
  QRect outer;
  {
    auto w = fixture.Start();
    w->move(40, 30);
    w->resize(700, 500);
    w->txtArchive1->setText(u"/data/\u00fcber/a.arc"_s);
    w->txtArchive2->setText(u"b.arc"_s);
    w->txtStruct1->setText(u"2.5"_s);
    w->txtStruct2->setText(u"-7"_s);
    w->chkReadOnly->setChecked(true);
    outer = w->frameGeometry();
    w->close();
  }
  auto again = fixture.Start();
  EXPECT_EQ(Inputs(*again),
            std::tuple(u"/data/\u00fcber/a.arc"_s, u"b.arc"_s, u"2"_s, u"-7"_s, true));
  EXPECT_EQ(again->frameGeometry(), outer);

  // Letters in a structure field cannot be stored: the earlier number stays.
  const auto placement = Stored({"MainLeft", "MainTop", "MainWidth", "MainHeight"});
  again->txtStruct1->setText(u"abc"_s);
  again->close();
  auto third = fixture.Start();
  EXPECT_EQ(third->txtStruct1->text(), u"2"_s);
  // A start and a close with no change in between store the same placement.
  EXPECT_EQ(Stored({"MainLeft", "MainTop", "MainWidth", "MainHeight"}), placement);
  third->close();
  EXPECT_EQ(Stored({"MainLeft", "MainTop", "MainWidth", "MainHeight"}), placement);
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(MainWindow, MaximizedAndMinimizedCloses) {
  // One run: a start, the steps, a close.
  const auto run = [&](const std::function<void(frmMain&)>& steps) {
    auto w = fixture.Start();
    steps(*w);
    QApplication::processEvents();
    w->close();
  };
  const auto stored = [] { return Stored({"MainMax", "MainLeft", "MainWidth"}); };
  QRect normal;
  run([&](frmMain& w) {
    w.move(50, 60);
    w.resize(640, 480);
    normal = w.frameGeometry();
  });
  const int width = normal.width() * 15;
  run([](frmMain& w) { w.showMaximized(); });
  EXPECT_EQ(stored(), (std::vector{1, 50 * 15, width}));
  run([](frmMain& w) {
    EXPECT_TRUE(w.isMaximized());
    w.showMinimized();
  });
  EXPECT_EQ(stored(), (std::vector{1, 50 * 15, width}));
  run([&](frmMain& w) {
    w.showNormal();
    QApplication::processEvents();
    EXPECT_EQ(w.frameGeometry(), normal);
  });
  // Started normal, then maximized and minimized: a minimized close stores
  // nothing of the placement, not even the maximized mark.
  run([](frmMain& w) {
    EXPECT_FALSE(w.isMaximized());
    w.showMaximized();
    QApplication::processEvents();
    w.showMinimized();
  });
  EXPECT_EQ(stored(), (std::vector{0, 50 * 15, width}));
}

// A first run, and stored values the window cannot use, give the defaults.
TEST_F(MainWindow, StartsWithTheDefaults) {
  for (const char* stored : {"", "MainWidth", "MainHeight"}) {
    QFile::remove(fixture.settingsPath);
    ConfigureRegistry(std::make_shared<FileRegistry>(fixture.settingsPath));
    if (*stored != '\0') {
      gRegistry->SaveItem(QLatin1String(stored), SettingValue::Int32(-500));
      gRegistry->SaveItem(u"ReadOnly"_s, SettingValue::Int32(7));
      // Only 1 marks a maximized window.
      gRegistry->SaveItem(u"MainMax"_s, SettingValue::Int32(2));
    }
    auto w = fixture.Start();
    EXPECT_EQ(w->windowTitle(), u"Parvex 1.001"_s);
    EXPECT_EQ(Inputs(*w), std::tuple(QString(), QString(), u"0"_s, u"1"_s, false)) << stored;
    EXPECT_EQ(w->frameGeometry(), QRect(0, 0, 667, 667)) << stored;
    EXPECT_FALSE(w->isMaximized());
    // Reading the settings writes nothing.
    EXPECT_EQ(QFile::exists(fixture.settingsPath), *stored != '\0');
  }
}

}  // namespace
}  // namespace parvex::test
