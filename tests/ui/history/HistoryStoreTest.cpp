// The store the History window uses: remembered only once chosen, and a
// store that cannot be opened told without taking the window down.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <cmath>

#include "UiSupport.h"
#include "history/Store.h"
#include "ui/history/HistoryTexts.h"
#include "ui/history/frmHistory.h"

namespace parvex::test {
namespace {

class HistoryStore : public MainWindowTest {
 protected:
  HistoryStore() : oldData_(qgetenv("XDG_DATA_HOME")) {
    qputenv("XDG_DATA_HOME", Q(dir.File("data")).toLocal8Bit());
  }
  ~HistoryStore() override { qputenv("XDG_DATA_HOME", oldData_); }

  frmHistory& History() {
    window->mnuHistory->trigger();
    return *window->HistoryWindow();
  }
  // Closes the program's window and starts it again, as a new run would.
  void Restart() {
    window->close();
    window = fixture.Start();
  }
  // A file dropped on the machines list, under the machine named when asked.
  bool DropAs(frmHistory& h, const std::string& name, const std::string& bytes) {
    fixture.dialogs.onModal = [](QDialog& asked) {
      asked.findChild<QLineEdit*>(u"txtMachine"_s)->setText(u"m1"_s);
      asked.accept();
    };
    return Drop(h.tvwMachines->viewport(), {Q(dir.Write(name, bytes))});
  }
  std::string Settings() const { return ReadBytes(fixture.settingsPath.toStdString()); }

 private:
  QByteArray oldData_;
};

// Used with its default store, the window leaves the settings file as a run
// without it writes it; a store chosen with Browse is remembered for the
// next run.
TEST_F(HistoryStore, ChoiceRememberedAndNothingWrittenWithoutOne) {
  Restart();
  const std::string untouched = Settings();
  frmHistory& first = History();
  ASSERT_TRUE(DropAs(first, "a.arc", L("1", "d", "1")));
  ASSERT_EQ(first.tvwMachines->topLevelItemCount(), 1);
  Restart();
  EXPECT_EQ(Settings(), untouched);

  const QString team = Q(dir.File("team.sqlite"));
  fixture.dialogs.answers = {team};
  History().cmdBrowseStore->click();
  EXPECT_EQ(fixture.dialogs.calls.back().title, u"Choose History Store"_s);
  EXPECT_EQ(window->HistoryWindow()->tvwMachines->topLevelItemCount(), 0);  // a new store
  EXPECT_NE(Settings().find("\"historystore\""), std::string::npos);
  Restart();
  frmHistory& again = History();
  EXPECT_EQ(again.txtStore->text(), team);
  ASSERT_NE(again.CurrentStore(), nullptr);
  EXPECT_EQ(again.CurrentStore()->Location(), team.toStdString());
  EXPECT_TRUE(errors.Shown().empty());
}

// What is not a store is told under the window's title; the store before
// stays in use, or, at the first opening, the window waits for another.
TEST_F(HistoryStore, FailureToldWindowUsable) {
  const std::string notStore = dir.Write("notes.txt", "These are not the snapshots.\n");
  std::filesystem::create_directories(dir.Path() / "folder");
  for (const std::string& bad : {notStore, dir.File("folder")}) {
    errors.box.shown.clear();
    frmHistory& h = History();
    ASSERT_NE(h.CurrentStore(), nullptr);
    const QString before = h.txtStore->text();
    EXPECT_FALSE(h.ChooseStore(Q(bad)));
    ASSERT_EQ(errors.Shown().size(), 1u) << bad;
    EXPECT_EQ(errors.Shown()[0].caption, "Error While Opening the History Store");
    EXPECT_EQ(h.txtStore->text(), before);
    EXPECT_TRUE(h.cmdAdd->isEnabled());
    EXPECT_TRUE(DropAs(h, "b.arc", L("2", "d", "2"))) << bad;
    EXPECT_EQ(h.Machine(), u"m1"_s);
  }
  // Remembered, but no longer a store: the window opens and says so.
  gRegistry->SaveItem(u"HistoryStore"_s, SettingValue::Text(Q(notStore)));
  Restart();
  errors.box.shown.clear();
  frmHistory& h = History();
  EXPECT_EQ(h.CurrentStore(), nullptr);
  EXPECT_EQ(errors.Shown().size(), 1u);
  EXPECT_EQ(h.txtStore->text(), Q(notStore));
  EXPECT_FALSE(h.cmdAdd->isEnabled());
  EXPECT_TRUE(h.ChooseStore(Q(dir.File("fresh.sqlite"))));
  EXPECT_TRUE(h.cmdAdd->isEnabled());
}

// Only what reads wholly as a decimal number is plotted.
TEST(HistoryTexts, PlotNumber) {
  const std::vector<std::pair<std::string, std::optional<double>>> cases{
      {"12.5", 12.5}, {"-3e2", -300}, {"+4", 4},   {"0", 0},      {"", std::nullopt},
      {"1,5", {}},    {"inf", {}},    {"nan", {}}, {"0x10", {}},  {" 1", {}},
      {"1 ", {}},     {"-", {}},      {"+-1", {}}, {"1e999", {}}, {"12.5.1", {}}};
  for (const auto& [text, number] : cases) EXPECT_EQ(PlotNumber(text), number) << text;
}

}  // namespace
}  // namespace parvex::test
