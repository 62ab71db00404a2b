#pragma once

#include <QMainWindow>

#include <memory>
#include <string>
#include <vector>

#include "engine/list/DifferenceList.h"
#include "engine/pairing/CompareOptions.h"
#include "engine/pairing/PairingNotes.h"
#include "reports/page/Report.h"
#include "ui/common/CommonDialog.h"
#include "ui/main/MainLayout.h"
#include "ui/main/mAPI.h"

class QCheckBox;
class QFrame;
class QToolButton;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;
class QMenu;
class QModelIndex;
class QSortFilterProxyModel;
class QAction;
class QPrinter;

namespace parvex {

class DifferenceModel;
struct StartArguments;
class Rules;
class frmReference;
class frmHistory;
class TakeChoice;
enum class TakeOutput;

// What the window needs of the platform: its dialogs, the program's one
// printer, and the shell that opens the manual.
struct WindowServices {
  DialogBackend& dialogs;
  QPrinter& printer;
  ShellExecute shell = DesktopShellExecute;
};

// The main window: the two archive fields with their Browse buttons, the
// read-only option, the structure fields, the command buttons, the difference
// list and the status bar.
class frmMain final : public QMainWindow {
  Q_OBJECT

 public:
  explicit frmMain(WindowServices services, QWidget* parent = nullptr);
  ~frmMain() override;

  // Loads the caption, placement and inputs from the settings, then shows the
  // window (maximized when it was closed so).
  void Show();
  // The same with the command line's archives in the fields before the
  // window shows, and the comparison run once it does when asked for.
  void Show(const StartArguments& start);

  void cmdSelect1_Click();
  void cmdSelect2_Click();
  void cmdStructure_Click();
  void cmdTwoArchives_Click();
  void cmdSave_Click();
  void cmdPrint_Click();
  void mnuReference_Click();
  // File, History...: the window of every machine's snapshots; Value
  // History...: the chosen row's value over time on the machine in view there.
  void mnuHistory_Click();
  void mnuValueHistory_Click();
  // Edit: takes one archive's values into the other (the selected rows, or
  // every row), or saves what taking Archive 1's would change as a change set.
  void mnuTake1_Click();
  void mnuTake2_Click();
  void mnuSaveChanges_Click();
  void mnuExit_Click();
  void mnuMatchByAddress_Click();
  void mnuNumbersByValue_Click();
  void mnuCompareUnits_Click();
  void mnuRulesFile_Click();
  void mnuRulesOff_Click();
  void mnuDoc_Click();
  void mnuAbout_Click();

  // Copies the selected rows, in list order, as tab-separated lines under a
  // line of the column captions; copies one cell's value.
  void CopyRows();
  void CopyCell(const QModelIndex& index);
  // The list's context menu for the cell at index (which may be invalid).
  QMenu* ListMenu(const QModelIndex& index);
  // The find field above the list: rows whose address, description or values
  // do not hold the text are hidden; the reports still take every row.
  void ShowFind();
  void HideFind();

  // Shows notes on the last comparison in the bar above the list, one a line;
  // none hides the bar.
  void ShowNotes(const QStringList& notes);
  // Opens the pair in this window as a person would: both paths set, lines
  // matched by address (switched on through its menu item, so it is
  // remembered), compared.
  void ComparePairByAddress(const QString& archive1, const QString& archive2);
  // Opens the pair in this window lines matched by address for this
  // comparison only (the Options menu and its setting stay as they are),
  // with caption first among the notes above the list.
  void ComparePairOnce(const QString& archive1, const QString& archive2, const QString& caption);
  // The Compare with Reference window, once it was opened.
  frmReference* ReferenceWindow() const { return reference_.get(); }

  // The two report titles of the comparison that filled the list, from its
  // inputs as they were when it started.
  ReportTitles CurrentTitles() const;
  // The options the comparison that filled the list ran with.
  const CompareOptions& ListedOptions() const { return listed_.options; }
  // The files the listed comparison read: a report never replaces them.
  std::vector<std::string> ListedInputs() const;

  bool StructureMode() const { return structureMode_; }
  DifferenceList& List() { return list_; }
  CommonDialog& CDlg() { return cdlg_; }
  DifferenceModel& Model() { return *model_; }
  const MainLayout& CurrentLayout() const { return layout_; }
  // Twips per logical pixel follow the screen's resolution.
  int Dpi() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The controls, a pane at a time: the list, the archive files, the
  // commands with the structure fields, the status bar.
  void BuildControls();
  void BuildList();
  void BuildFilesPane();
  void BuildCommandPane();
  void BuildStatusBar();
  // Captions, names for screen readers and the keyboard order of the design.
  void FinishControls();
  template <typename Widget>
  Widget* Put(Widget* widget, const char* name, const QFont& font, const TwipRect& at) const;
  void BuildMenus();
  void BuildRulesMenu();
  void BuildEditMenu();
  // Whether the list holds a comparison of two archive files.
  bool CanTake() const;
  void TakeValues(int from, TakeOutput preferred);
  // The addresses of the selected rows; every line when none is selected.
  TakeChoice SelectedChoice() const;
  // The rules file of the settings (empty: none), and the menu showing it.
  QString RulesPath() const;
  void ShowRulesFile();
  void Form_Load();
  void Form_Resize();
  void Form_Unload();
  void SelectArchive(const QString& title, QLineEdit* field);
  bool IncludeReadOnly() const;
  // The comparison options as the Options menu shows them.
  CompareOptions Options() const;
  void SaveOption(const char* name, const QAction* item);
  void Place(QWidget* widget, const TwipRect& rect) const;
  void ApplyLayout();
  void BuildNoteBar();
  void BuildListTools();
  bool ListToolsEvent(QObject* watched, QEvent* event);
  // Files dropped on an archive field fill it; two dropped on the list fill
  // both fields and are compared.
  void AcceptDrops();
  bool DropEvent(QObject* watched, QEvent* event);
  void ApplyFind();
  void CountShown();
  // The bars shown above the list take their room from its top.
  void PlaceAboveList();
  void ApplyOuterSize();

  WindowServices services_;
  CommonDialog cdlg_;
  DifferenceList list_;
  DifferenceModel* model_ = nullptr;
  bool structureMode_ = false;
  // The inputs of the comparison now running, and of the one whose rows the
  // list holds: a comparison that fails before it clears the list leaves the
  // rows, and so the titles, of the one before.
  struct ComparisonInputs {
    bool structureMode = false;
    QString archive1, archive2, struct1, struct2;
    CompareOptions options;
    std::shared_ptr<const Rules> rules;  // what options.AppliedRules points to
  };
  ComparisonInputs starting_;
  PairingNotes notes_;
  QSortFilterProxyModel* filter_ = nullptr;  // between the model and the list
  ComparisonInputs listed_;
  // False when the comparison is not to run: its rules file was refused.
  bool StartComparison(bool structureMode);
  bool ReadRules(ComparisonInputs& inputs);
  MainLayout layout_ = DesignLayout();
  QSize pendingOuterSize_;  // the stored outer size, applied once the frame is known
  bool wantMaximized_ = false;
  std::unique_ptr<frmReference> reference_;
  bool byAddressOnce_ = false;  // while ComparePairOnce compares
#ifdef PARVEX_HISTORY
  std::unique_ptr<frmHistory> history_;
  void BuildHistoryItems();

 public:
  // The History window, once it was opened.
  frmHistory* HistoryWindow() const {
    return history_.get();
  }
#endif

 public:
  // The controls, named as the program names them.
  QWidget* central = nullptr;
  QTreeView* lvList = nullptr;
  QGroupBox* fraCommand = nullptr;
  QGroupBox* fraFiles = nullptr;
  QLabel* lblArchive1 = nullptr;
  QLabel* lblArchive2 = nullptr;
  QLineEdit* txtArchive1 = nullptr;
  QLineEdit* txtArchive2 = nullptr;
  QPushButton* cmdSelect1 = nullptr;
  QPushButton* cmdSelect2 = nullptr;
  QCheckBox* chkReadOnly = nullptr;
  QGroupBox* Frame1 = nullptr;
  QLineEdit* txtStruct1 = nullptr;
  QLineEdit* txtStruct2 = nullptr;
  QLabel* lblStruct1 = nullptr;
  QLabel* lblStruct2 = nullptr;
  QPushButton* cmdStructure = nullptr;
  QGroupBox* Frame2 = nullptr;
  QPushButton* cmdTwoArchives = nullptr;
  QGroupBox* fraFunctions = nullptr;
  QPushButton* cmdPrint = nullptr;
  QPushButton* cmdSave = nullptr;
  QLabel* sbCompare = nullptr;  // the status bar's one panel
  // Notes on the last comparison, above the list while there are any.
  QFrame* fraNotes = nullptr;
  QLabel* lblNotes = nullptr;
  QToolButton* cmdCloseNotes = nullptr;
  QLineEdit* txtFind = nullptr;
  QLabel* sbShown = nullptr;  // while the find field filters: how many rows are shown
  QAction* mnuCopy = nullptr;
  QAction* mnuFind = nullptr;
  QMenu* mnuFile = nullptr;
  QAction* mnuReference = nullptr;
  QAction* mnuHistory = nullptr;  // none where the program is built without the history
  QAction* mnuExit = nullptr;
  QMenu* mnuEdit = nullptr;
  QAction* mnuTake1 = nullptr;
  QAction* mnuTake2 = nullptr;
  QAction* mnuSaveChanges = nullptr;
  QAction* mnuValueHistory = nullptr;
  QMenu* mnuOptions = nullptr;
  QAction* mnuMatchByAddress = nullptr;
  QAction* mnuNumbersByValue = nullptr;
  QAction* mnuCompareUnits = nullptr;
  QAction* mnuRulesFile = nullptr;
  QAction* mnuRulesOff = nullptr;
  QMenu* mnuHelp = nullptr;
  QAction* mnuDoc = nullptr;
  QAction* mnuAbout = nullptr;
};

// The caption: the application title, ".", the revision with three digits.
QString MainCaption();

}  // namespace parvex
