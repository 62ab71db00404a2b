// Take Reference Values: the archives and rows chosen in the window,
// written as corrected copies or change sets into a chosen folder.

#include "ReferenceWindowSupport.h"
#include "reports/layouts/ChangeSetJson.h"
#include "ui/reference/ReferenceModels.h"
#include "ui/take/frmTakePreview.h"

namespace parvex::test {
namespace {

const char* const kReference = "1.1\tSpeed\t100\tmm\r\n2.1\tGain\t7\t\r\n";
const char* const kArchives[] = {"1.1\tSpeed\t150\tmm\r\n2.1\tGain\t8\t\r\n",
                                 "1.1\tSpeed\t100\tmm\r\n2.1\tGain\t9\t\r\n",
                                 "1.1\tSpeed\t100\tmm\r\n2.1\tGain\t7\t\r\n"};

class ReferenceTake : public ReferenceWindow {
 protected:
  void SetUp() override {
    w = Open();
    w->txtReference->setText(Q(dir.Write("reference.arc", kReference)));
    QStringList paths;
    for (int k = 0; k < 3; ++k) {
      paths << Q(dir.Write("in/p" + std::to_string(k + 1) + ".arc", kArchives[k]));
    }
    w->AddArchives(paths);
    Compare(*w);
  }
  // Selects summary rows (archives) and matrix rows.
  void Select(QTableView* view, const std::vector<int>& rows) {
    view->clearSelection();
    for (const int row : rows) {
      view->selectionModel()->select(view->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  // Answers the preview with output and keeps its parts' names and summary.
  void Answer(TakeOutput output) {
    dialogs.onModal = [this, output](QDialog& d) {
      auto& p = dynamic_cast<frmTakePreview&>(d);
      parts.clear();
      for (int i = 0; i < p.tvwLines->topLevelItemCount(); ++i) {
        parts.push_back(p.tvwLines->topLevelItem(i)->text(0).toStdString());
      }
      summary = p.lblSummary->text();
      p.Button(output)->click();
    };
  }
  std::vector<std::string> Written(const std::string& folder) const {
    std::vector<std::string> names;
    if (!std::filesystem::exists(dir.File(folder))) return names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File(folder))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::unique_ptr<frmReference> w;
  std::vector<std::string> parts;
  QString summary;
};

TEST_F(ReferenceTake, WritesACorrectedCopyOfEachChosenArchive) {
  struct Case {
    const char* folder;
    std::vector<int> archives;  // summary rows
    std::vector<int> rows;      // matrix rows
    std::vector<std::string> parts;
    std::vector<std::string> written;
    const char* p1;  // what p1.arc holds in the folder
  };
  const Case cases[] = {
      {"all",
       {},
       {},
       {"p1.arc", "p2.arc"},
       {"p1.arc", "p2.arc"},
       "1.1\tSpeed\t100\tmm\r\n2.1\tGain\t7\t\r\n"},
      {"first", {0}, {}, {"p1.arc"}, {"p1.arc"}, "1.1\tSpeed\t100\tmm\r\n2.1\tGain\t7\t\r\n"},
      // p2 has the reference's value there: nothing to write.
      {"first row",
       {0, 1},
       {0},
       {"p1.arc", "p2.arc"},
       {"p1.arc"},
       "1.1\tSpeed\t100\tmm\r\n2.1\tGain\t8\t\r\n"},
  };
  for (const Case& c : cases) {
    Select(w->tblSummary, c.archives);
    Select(w->tblMatrix, c.rows);
    Answer(TakeOutput::NewArchive);
    dialogs.answers = {Q(dir.File(c.folder))};
    std::filesystem::create_directories(dir.File(c.folder));
    w->cmdTake->click();
    EXPECT_EQ(parts, c.parts) << c.folder;
    EXPECT_EQ(Written(c.folder), c.written) << c.folder;
    EXPECT_EQ(ReadBytes(dir.File(std::string(c.folder) + "/p1.arc")), c.p1) << c.folder;
  }
  EXPECT_EQ(w->sbStatus->text(),
            QStringLiteral("1 corrected copy written into '%1'").arg(Q(dir.File("first row"))));
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(ReferenceTake, WritesChangeSetsAndNeverOverAnInput) {
  Answer(TakeOutput::ChangeSet);
  dialogs.answers = {Q(dir.File("sets"))};
  std::filesystem::create_directories(dir.File("sets"));
  w->cmdTake->click();
  EXPECT_EQ(Written("sets"), (std::vector<std::string>{"p1.arc.json", "p2.arc.json"}));
  EXPECT_EQ(ReadChangeSet(dir.File("sets/p2.arc.json")).lines.size(), 1U);
  EXPECT_EQ(summary, QStringLiteral("p1.arc: 2 values taken, 0 already equal, 0 read-only left "
                                    "alone, 0 added, 0 in the source only (not added)\np2.arc: 1 "
                                    "values taken, 1 already equal, 0 read-only left alone, 0 "
                                    "added, 0 in the source only (not added)"));

  // The archives' own folder: each is refused and told; nothing changes.
  Answer(TakeOutput::NewArchive);
  dialogs.answers = {Q(dir.File("in"))};
  w->cmdTake->click();
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(ReadBytes(dir.File("in/p" + std::to_string(k + 1) + ".arc")), kArchives[k]);
  }
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_NE(errors.Told().front().find("p1.arc: not written:"), std::string::npos);
  EXPECT_EQ(w->sbStatus->text().left(1), QStringLiteral("0"));
}

}  // namespace
}  // namespace parvex::test
