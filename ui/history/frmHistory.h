#pragma once

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/Store.h"
#include "ui/common/CommonDialog.h"

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTemporaryDir;
class QTreeWidget;

namespace parvex {

// What the window needs from the program: the dialogs, a way to open a pair
// of snapshots in the main window, and the store itself.
struct HistoryServices {
  DialogBackend& dialogs;
  // The window the dialogs go back to once this window's dialog is closed.
  QWidget* dialogOwner = nullptr;
  // Compares the two files in the main window, lines matched by address;
  // caption says what the two are.
  std::function<void(const QString& archive1, const QString& archive2, const QString& caption)>
      openPair;
  std::function<std::unique_ptr<Store>(const std::string& location)> open = Store::Open;
};

// The History window: the store in use, its machines on the left, the chosen
// machine's snapshots on the right, and the commands on them.
class frmHistory final : public QMainWindow {
  Q_OBJECT

 public:
  explicit frmHistory(HistoryServices services, QWidget* parent = nullptr);
  ~frmHistory() override;

  // Opens the remembered store (the default one when none was chosen) the
  // first time, and shows the window.
  void Show();

  void cmdBrowseStore_Click();
  void cmdAdd_Click();
  void cmdBaseline_Click();
  void cmdCompare_Click();
  void cmdSave_Click();

  // Uses the store at location from now on and remembers it: a person's
  // choice. A store that cannot be opened is told and the one before stays.
  bool ChooseStore(const QString& location);
  // Adds the files as snapshots of the chosen machine, or of a machine whose
  // name is asked for when none is chosen.
  void AddFiles(const QStringList& files);
  // The history of the value at address on the chosen machine, in a window
  // of its own (a table, and a plot when the values are numbers).
  void ShowValueHistory(const std::string& address);

  // The store in use (none when it could not be opened), the chosen machine
  // (empty when none) and the snapshots selected, oldest first.
  Store* CurrentStore() const { return store_.get(); }
  QString Machine() const;
  bool SelectMachine(const QString& name);
  std::vector<SnapshotSummary> SelectedSnapshots() const;
  // Reads the machines and the chosen machine's snapshots again.
  void Refresh();

 private:
  void BuildControls();
  QHBoxLayout* BuildStoreRow(QWidget* central);
  QWidget* BuildMachines(QWidget* parent);
  QWidget* BuildSnapshots(QWidget* parent);
  void ConnectControls();
  bool ListEvent(QObject* watched, QEvent* event);
  bool eventFilter(QObject* watched, QEvent* event) override;
  void OpenStore(const QString& location);
  void FillMachines();
  void FillSnapshots();
  void UpdateCommands();
  // The name for new snapshots: asked for, proposed from the folder of the
  // first file; empty when cancelled.
  QString AskMachineName(const QStringList& files);
  // Adds one file a time under a progress that can be stopped; the count of
  // snapshots added and of those already there.
  std::pair<int, int> AddEach(const QString& machine, const QStringList& files);
  // The snapshot written for a comparison, in the window's private folder.
  QString WriteForCompare(const SnapshotSummary& snapshot, bool clash);
  QString DialogFolder() const;
  void RememberFolder(const QString& path);

  HistoryServices services_;
  CommonDialog cdlg_;
  std::unique_ptr<Store> store_;
  std::vector<SnapshotSummary> log_;  // the chosen machine's, as listed
  std::unique_ptr<QTemporaryDir> compared_;
  bool opened_ = false;

 public:
  // The controls, for the program's tests and for people reading the code.
  QLabel* lblStore = nullptr;
  QLineEdit* txtStore = nullptr;
  QPushButton* cmdBrowseStore = nullptr;
  QSplitter* splLists = nullptr;
  QLabel* lblMachines = nullptr;
  QTreeWidget* tvwMachines = nullptr;
  QLabel* lblSnapshots = nullptr;
  QTreeWidget* tvwSnapshots = nullptr;
  QPushButton* cmdAdd = nullptr;
  QPushButton* cmdBaseline = nullptr;
  QPushButton* cmdCompare = nullptr;
  QPushButton* cmdSave = nullptr;
  QLabel* sbStatus = nullptr;
};

}  // namespace parvex
