// The Edit menu's taking of values: the preview answered as a person
// would, the file written, and the comparison made again against it.

#include "UiSupport.h"
#include "engine/taking/ChangeSet.h"
#include "reports/layouts/ChangeSetJson.h"
#include "ui/take/frmTakePreview.h"

namespace parvex::test {
namespace {

// 1.2 is read-only: never taken while read-only values are left out.
const char* const kA = "1.1\tSpeed\t100\tmm\r\n1.2\t!Locked\t5\trpm\r\n2.1\tGain\t7\t\r\n";
const char* const kB = "1.1\tSpeed\t150\tmm\r\n1.2\t!Locked\t6\trpm\r\n2.1\tGain\t8\tV\r\n";

class TakeValues : public MainWindowTest {
 protected:
  // Answers the preview: unchecks the lines at these addresses, then
  // presses the button of output (None: Cancel).
  void Answer(TakeOutput output, std::vector<std::string> uncheck = {}) {
    fixture.dialogs.onModal = [this, output, uncheck](QDialog& dialog) {
      auto& p = dynamic_cast<frmTakePreview&>(dialog);
      defaultButton = TakeOutput::None;
      for (const TakeOutput o :
           {TakeOutput::NewArchive, TakeOutput::Replace, TakeOutput::ChangeSet}) {
        if (p.Button(o) != nullptr && p.Button(o)->isDefault()) defaultButton = o;
      }
      addMissing = p.chkAddMissing->isChecked();
      const QTreeWidgetItem* part = p.tvwLines->topLevelItem(0);
      for (int i = 0; i < part->childCount(); ++i) {
        const std::string address = part->child(i)->text(0).toStdString();
        if (std::find(uncheck.begin(), uncheck.end(), address) != uncheck.end())
          part->child(i)->setCheckState(0, Qt::Unchecked);
      }
      if (output == TakeOutput::None) {
        p.reject();
      } else {
        p.Button(output)->click();
      }
    };
  }
  void Select(const std::vector<int>& rows) {
    for (const int row : rows) {
      window->lvList->selectionModel()->select(
          window->lvList->model()->index(row, 0),
          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }

  // The copies kept of replaced archives, taken away once read.
  std::vector<std::string> TakeBackups() const {
    std::vector<std::string> backups;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
      if (entry.path().extension() != ".bak") continue;
      backups.push_back(ReadBytes(entry.path().string()));
      std::filesystem::remove(entry.path());
    }
    return backups;
  }

  TakeOutput defaultButton = TakeOutput::None;
  bool addMissing = false;
};

struct TakeCase {
  const char* name;
  void (frmMain::*command)();
  std::vector<int> selected;  // rows of the list
  std::vector<std::string> uncheck;
  TakeOutput output;
  const char* saveAs;  // answer to the Save dialog, or none
  const char* file;    // the file that gets the new bytes
  const char* bytes;
  const char* status;
};
const TakeCase kTakeCases[] = {
    {"take 1, save as",
     &frmMain::mnuTake1_Click,
     {},
     {},
     TakeOutput::NewArchive,
     "b-corrected.arc",
     "b-corrected.arc",
     "1.1\tSpeed\t100\tmm\r\n1.2\t!Locked\t6\trpm\r\n2.1\tGain\t7\t\r\n",
     "0 Difference(s); 2 values taken into 'b-corrected.arc'"},
    {"take 1, one unchecked",
     &frmMain::mnuTake1_Click,
     {},
     {"1.1"},
     TakeOutput::NewArchive,
     "fixed.arc",
     "fixed.arc",
     "1.1\tSpeed\t150\tmm\r\n1.2\t!Locked\t6\trpm\r\n2.1\tGain\t7\t\r\n",
     "1 Difference(s); 1 values taken into 'fixed.arc'"},
    {"take 2, selected row, replace",
     &frmMain::mnuTake2_Click,
     {1},
     {},
     TakeOutput::Replace,
     nullptr,
     "a.arc",
     "1.1\tSpeed\t100\tmm\r\n1.2\t!Locked\t5\trpm\r\n2.1\tGain\t8\tV\r\n",
     "1 Difference(s); 1 values taken into 'a.arc'; the old archive was kept as 'a.arc."},
    {"cancelled",
     &frmMain::mnuTake1_Click,
     {},
     {},
     TakeOutput::None,
     nullptr,
     "b.arc",
     kB,
     "2 Difference(s)"},
};
TEST_F(TakeValues, WritesWhatThePreviewKeepsAndComparesAgain) {
  for (const TakeCase& c : kTakeCases) {
    CompareArchives(kA, kB);
    ASSERT_EQ(window->List().Count(), 2);
    Select(c.selected);
    fixture.dialogs.calls.clear();
    if (c.saveAs != nullptr) fixture.dialogs.answers = {Q(dir.File(c.saveAs))};
    Answer(c.output, c.uncheck);
    (window.get()->*c.command)();
    EXPECT_EQ(ReadBytes(dir.File(c.file)), c.bytes) << c.name;
    EXPECT_TRUE(window->sbCompare->text().startsWith(Q(c.status)))
        << c.name << ": " << window->sbCompare->text().toStdString();
    const bool replaced = c.output == TakeOutput::Replace;
    EXPECT_EQ(TakeBackups(), replaced ? std::vector<std::string>{kA} : std::vector<std::string>{})
        << c.name;
    if (c.saveAs != nullptr) {
      // Offered beside the target, named after it.
      EXPECT_EQ(fixture.dialogs.calls[1].fileName, QStringLiteral("b-corrected.arc")) << c.name;
      EXPECT_EQ(fixture.dialogs.calls[1].initDir, Q(dir.Path().string())) << c.name;
    }
  }
  EXPECT_TRUE(errors.Shown().empty()) << errors.Told().front();
}

TEST_F(TakeValues, SavesAChangeSetAndRemembersTheChoices) {
  CompareArchives(kA, kB);
  Answer(TakeOutput::ChangeSet);
  fixture.dialogs.answers = {Q(dir.File("fix.json"))};
  window->mnuSaveChanges_Click();
  EXPECT_EQ(defaultButton, TakeOutput::ChangeSet);
  EXPECT_EQ(fixture.dialogs.calls.back().fileName, QStringLiteral("b.arc.json"));
  const ChangeSet set = ReadChangeSet(dir.File("fix.json"));
  EXPECT_EQ(set.targetName, "b.arc");
  ASSERT_EQ(set.lines.size(), 2U);
  EXPECT_EQ(set.lines[1], (ChangeSet::Line{"2.1", 1, "Gain", false, "8", "V", "7", ""}));
  EXPECT_EQ(ReadBytes(dir.File("b.arc")), kB);

  // Replace chosen with missing lines added: both come back in the next run.
  Answer(TakeOutput::None);
  window->mnuTake1_Click();
  EXPECT_EQ(defaultButton, TakeOutput::ChangeSet);
  fixture.dialogs.onModal = [](QDialog& d) {
    auto& p = dynamic_cast<frmTakePreview&>(d);
    p.chkAddMissing->setChecked(true);
    p.Button(TakeOutput::Replace)->click();
  };
  window->mnuTake1_Click();
  window->close();
  window = fixture.Start();
  CompareArchives(kA, kB);
  Answer(TakeOutput::None);
  window->mnuTake2_Click();
  EXPECT_EQ(defaultButton, TakeOutput::Replace);
  EXPECT_TRUE(addMissing);
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(TakeValues, OnlyAfterComparingTwoArchiveFiles) {
  window->mnuEdit->aboutToShow();
  EXPECT_FALSE(window->mnuTake1->isEnabled());
  window->mnuTake1_Click();
  EXPECT_EQ(errors.Told(), std::vector<std::string>{std::string(build::kAppTitle) +
                                                    ": Compare two archive files first."});
  CompareArchives(kA, kB);
  EXPECT_TRUE(window->mnuTake2->isEnabled());
  window->txtStruct1->setText(QStringLiteral("1"));
  window->txtStruct2->setText(QStringLiteral("2"));
  window->cmdStructure_Click();
  EXPECT_FALSE(window->mnuSaveChanges->isEnabled());
}

}  // namespace
}  // namespace parvex::test
