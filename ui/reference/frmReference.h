#pragma once

#include <QMainWindow>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "reference/CompareWithReference.h"
#include "reports/layouts/ReportLayout.h"
#include "ui/common/CommonDialog.h"
#include "ui/reference/ReferenceTexts.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QSplitter;
class QTableView;
class QTimer;

namespace parvex {

class ReferenceMatrixFilter;
class ReferenceMatrixModel;
class ReferenceSummaryModel;

// What the window needs from the program: the dialogs, the main window's
// comparison options, a way to open one archive's pair comparison there,
// and the comparison itself.
struct ReferenceServices {
  DialogBackend& dialogs;
  // The window the dialogs go back to once this window's dialog is closed.
  QWidget* dialogOwner = nullptr;
  std::function<CompareOptions()> options;
  std::function<void(const QString& reference, const QString& archive)> openPair;
  std::function<ReferenceResult(const ReferenceRequest&)> compare = CompareWithReference;
  // The rules file the main window's options name, read again at each
  // comparison; empty for none.
  std::function<QString()> rulesFile = {};
};

// The name a report is written under and its layout: a known ending of the
// chosen name decides; a name without an ending takes the ending of the
// dialog's filter (pattern such as "*.html"); any other ending is kept and
// the filter decides the layout.
struct ReportTarget {
  QString path;
  Layout layout = Layout::Csv;
};
ReportTarget ReportTargetFor(const QString& chosen, const QString& pattern);

// The Compare with Reference window: a reference and a list of archives in,
// each archive's summary and the matrix of deviations out, compared on
// threads of its own while the window stays responsive.
class frmReference final : public QMainWindow {
  Q_OBJECT

 public:
  explicit frmReference(ReferenceServices services, QWidget* parent = nullptr);
  ~frmReference() override;

  // Restores the placement and the inputs from the settings; shows the window.
  void Show();

  void cmdBrowse_Click();
  void cmdAddFiles_Click();
  void cmdAddFolder_Click();
  void cmdRemove_Click();
  void cmdCompare_Click();
  void cmdCancel_Click();
  void cmdSave_Click();
  // Takes the reference's values into the archives selected in the summary
  // (every deviating one when none is), for the matrix's selected rows (or
  // every row): corrected copies or change sets in a chosen folder.
  void cmdTake_Click();

  // Adds files, and the files directly in folders whose names the include
  // globs take, to the archive list.
  void AddArchives(const QStringList& paths);
  QStringList Archives() const;
  // For each archive, whether a folder brought it (one that is no archive is
  // then passed over, where one named is told as not read).
  std::vector<bool> FromFolder() const;
  // The include field's globs: separated by semicolons, blanks around them
  // dropped; none for every file.
  std::vector<std::string> IncludeGlobs() const;
  // Shows the options the next comparison will use.
  void RefreshOptions();
  // Opens the pair of the reference with archive k of the result shown.
  void OpenPair(int archive);

  bool Running() const { return run_ != nullptr; }
  // The result on screen, or none.
  const ReferenceResult* Result() const { return result_.get(); }
  void SaveSettings();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // A comparison on its way: the thread that runs it and what the window
  // reads of it while it runs. Only the thread writes result and finished.
  struct Run {
    std::atomic<bool> cancel{false};
    std::atomic<std::size_t> done{0};
    std::size_t total = 0;
    std::atomic<bool> finished{false};
    ReferenceResult result;
    std::thread thread;

    ~Run() {
      cancel = true;
      if (thread.joinable()) thread.join();
    }
  };
  void BuildControls();
  void BuildInputs(QWidget* central);
  QWidget* BuildSummary(QWidget* parent);
  QWidget* BuildMatrix(QWidget* parent);
  void PlaceControls(QWidget* central);
  void SetFirstSize(QWidget* central, int spacing);
  void ConnectControls();
  void AddArchive(const QString& path, bool fromFolder);
  void LoadSettings();
  void UpdateCommands();
  // The comparison the inputs ask for; none when its rules file cannot be read.
  std::optional<ReferenceRequest> Request();
  void Poll();
  void Finish(ReferenceResult result);
  void ApplyArchiveFilter();
  void ApplyFrozenColumns();
  QString DialogFolder() const;
  QString RulesFile() const { return services_.rulesFile ? services_.rulesFile() : QString(); }
  void RememberFolder(const QString& path);

  ReferenceServices services_;
  CommonDialog cdlg_;
  std::shared_ptr<const ReferenceResult> result_;
  std::unique_ptr<Run> run_;
  QTimer* poll_ = nullptr;
  bool loaded_ = false;

 public:
  // The controls, for the program's tests and for people reading the code.
  QLabel* lblReference = nullptr;
  QLineEdit* txtReference = nullptr;
  QPushButton* cmdBrowse = nullptr;
  QLabel* lblArchives = nullptr;
  QListWidget* lstArchives = nullptr;
  QPushButton* cmdAddFiles = nullptr;
  QPushButton* cmdAddFolder = nullptr;
  QPushButton* cmdRemove = nullptr;
  QLabel* lblInclude = nullptr;
  QLineEdit* txtInclude = nullptr;
  QCheckBox* chkIgnoreUnits = nullptr;
  QLabel* lblOptions = nullptr;
  QPushButton* cmdCompare = nullptr;
  QPushButton* cmdCancel = nullptr;
  QProgressBar* prgCompare = nullptr;
  QPushButton* cmdSave = nullptr;
  QPushButton* cmdTake = nullptr;
  QSplitter* splResults = nullptr;  // the summary above, the matrix below
  // What the last comparison says beside its tables: the reference's notes
  // and the files of folders that were skipped; hidden when there are none.
  QLabel* lblNotes = nullptr;
  QLabel* lblSummary = nullptr;
  QTableView* tblSummary = nullptr;
  QLabel* lblFilter = nullptr;
  QLineEdit* txtFilter = nullptr;
  QCheckBox* chkSelectedOnly = nullptr;
  QLabel* lblMatrix = nullptr;
  QTableView* tblFixed = nullptr;   // Address and Description, always in view
  QTableView* tblMatrix = nullptr;  // the other columns, scrolled sideways
  QLabel* sbStatus = nullptr;

  ReferenceSummaryModel* summaryModel = nullptr;
  QSortFilterProxyModel* summarySort = nullptr;
  ReferenceMatrixModel* matrixModel = nullptr;
  ReferenceMatrixFilter* matrixFilter = nullptr;
};

}  // namespace parvex
