// The History window: its controls, and the two lists kept in step with the
// store.
#include "ui/history/frmHistory.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/common/ProgramIcon.h"

namespace parvex {

frmHistory::frmHistory(HistoryServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), cdlg_(services_.dialogs) {
  setObjectName(QStringLiteral("frmHistory"));
  setWindowTitle(QStringLiteral("History"));
  setWindowIcon(ProgramIcon());
  BuildControls();
  ConnectControls();
  UpdateCommands();
  resize(900, 520);
}

// The private folder of the files compared goes with the window.
frmHistory::~frmHistory() = default;

namespace {

QTreeWidget* MakeList(QWidget* parent, const char* name, const QString& accessible,
                      const QStringList& columns) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setAccessibleName(accessible);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setHeaderLabels(columns);
  list->header()->setSectionsMovable(false);
  list->setAcceptDrops(true);
  list->viewport()->setAcceptDrops(true);
  return list;
}

QLabel* BuddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

QHBoxLayout* frmHistory::BuildStoreRow(QWidget* central) {
  txtStore = new QLineEdit(central);
  txtStore->setObjectName(QStringLiteral("txtStore"));
  txtStore->setAccessibleName(QStringLiteral("History store"));
  txtStore->setToolTip(
      QStringLiteral("A store file, or postgresql://host/database for a team's server; "
                     "Enter opens it"));
  lblStore = BuddyLabel(QStringLiteral("&Store:"), txtStore, central);
  lblStore->setObjectName(QStringLiteral("lblStore"));
  cmdBrowseStore = new QPushButton(QStringLiteral("B&rowse..."), central);
  cmdBrowseStore->setObjectName(QStringLiteral("cmdBrowseStore"));
  cmdBrowseStore->setAccessibleName(QStringLiteral("Browse for a history store"));
  auto* storeRow = new QHBoxLayout;
  storeRow->addWidget(lblStore);
  storeRow->addWidget(txtStore, 1);
  storeRow->addWidget(cmdBrowseStore);
  return storeRow;
}

void frmHistory::BuildControls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  QHBoxLayout* storeRow = BuildStoreRow(central);
  splLists = new QSplitter(Qt::Horizontal, central);
  splLists->setObjectName(QStringLiteral("splLists"));
  splLists->addWidget(BuildMachines(splLists));
  splLists->addWidget(BuildSnapshots(splLists));
  splLists->setStretchFactor(1, 1);
  splLists->setChildrenCollapsible(false);
  // The machines' five columns in view beside the snapshots.
  splLists->setSizes({440, 460});

  const auto button = [central](const QString& text, const char* name, const QString& tip) {
    auto* b = new QPushButton(text, central);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    return b;
  };
  cmdAdd = button(QStringLiteral("&Add Snapshots..."), "cmdAdd",
                  QStringLiteral("Adds archive files as snapshots of the chosen machine "
                                 "(or of a new one); files dropped on the lists are added too"));
  cmdBaseline =
      button(QStringLiteral("Mark as &Baseline"), "cmdBaseline",
             QStringLiteral("Marks the selected snapshot as the machine's known-good one"));
  cmdCompare = button(QStringLiteral("&Compare"), "cmdCompare",
                      QStringLiteral("Compares two selected snapshots, or one with the baseline, "
                                     "in the main window"));
  cmdSave = button(QStringLiteral("Sa&ve Snapshot As..."), "cmdSave",
                   QStringLiteral("Writes the selected snapshot's bytes to a file"));
  auto* commands = new QHBoxLayout;
  for (QPushButton* b : {cmdAdd, cmdBaseline, cmdCompare, cmdSave}) commands->addWidget(b);
  commands->addStretch(1);

  auto* layout = new QVBoxLayout(central);
  layout->addLayout(storeRow);
  layout->addWidget(splLists, 1);
  layout->addLayout(commands);
  sbStatus = new QLabel;
  sbStatus->setObjectName(QStringLiteral("sbStatus"));
  statusBar()->addWidget(sbStatus, 1);
  setTabOrder(txtStore, cmdBrowseStore);
  setTabOrder(cmdBrowseStore, tvwMachines);
  setTabOrder(tvwMachines, tvwSnapshots);
  setTabOrder(tvwSnapshots, cmdAdd);
  setTabOrder(cmdAdd, cmdBaseline);
  setTabOrder(cmdBaseline, cmdCompare);
  setTabOrder(cmdCompare, cmdSave);
}

QWidget* frmHistory::BuildMachines(QWidget* parent) {
  auto* pane = new QWidget(parent);
  tvwMachines =
      MakeList(pane, "tvwMachines", QStringLiteral("Machines"),
               {QStringLiteral("Machine"), QStringLiteral("Newest"), QStringLiteral("Baseline"),
                QStringLiteral("Days Since"), QStringLiteral("Drifted")});
  tvwMachines->setSelectionMode(QAbstractItemView::SingleSelection);
  tvwMachines->setSortingEnabled(true);
  tvwMachines->sortByColumn(0, Qt::AscendingOrder);
  lblMachines = BuddyLabel(QStringLiteral("&Machines"), tvwMachines, pane);
  lblMachines->setObjectName(QStringLiteral("lblMachines"));
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(lblMachines);
  layout->addWidget(tvwMachines, 1);
  return pane;
}

QWidget* frmHistory::BuildSnapshots(QWidget* parent) {
  auto* pane = new QWidget(parent);
  tvwSnapshots = MakeList(pane, "tvwSnapshots", QStringLiteral("Snapshots of the chosen machine"),
                          {QStringLiteral("Taken"), QStringLiteral("Note"), QStringLiteral("Lines"),
                           QStringLiteral("Changes"), QStringLiteral("Baseline")});
  // Two selected are compared with each other.
  tvwSnapshots->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lblSnapshots = BuddyLabel(QStringLiteral("S&napshots"), tvwSnapshots, pane);
  lblSnapshots->setObjectName(QStringLiteral("lblSnapshots"));
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(lblSnapshots);
  layout->addWidget(tvwSnapshots, 1);
  return pane;
}

void frmHistory::ConnectControls() {
  connect(cmdBrowseStore, &QPushButton::clicked, this, &frmHistory::cmdBrowseStore_Click);
  connect(txtStore, &QLineEdit::returnPressed, this, [this] { ChooseStore(txtStore->text()); });
  connect(cmdAdd, &QPushButton::clicked, this, &frmHistory::cmdAdd_Click);
  connect(cmdBaseline, &QPushButton::clicked, this, &frmHistory::cmdBaseline_Click);
  connect(cmdCompare, &QPushButton::clicked, this, &frmHistory::cmdCompare_Click);
  connect(cmdSave, &QPushButton::clicked, this, &frmHistory::cmdSave_Click);
  connect(tvwMachines, &QTreeWidget::itemSelectionChanged, this, &frmHistory::FillSnapshots);
  connect(tvwSnapshots, &QTreeWidget::itemSelectionChanged, this, &frmHistory::UpdateCommands);
  // Enter on a snapshot compares it as the Compare button does.
  connect(tvwSnapshots, &QTreeWidget::itemActivated, this, &frmHistory::cmdCompare_Click);
  for (QTreeWidget* list : {tvwMachines, tvwSnapshots}) list->viewport()->installEventFilter(this);
}

void frmHistory::UpdateCommands() {
  const bool open = store_ != nullptr;
  const int selected = static_cast<int>(tvwSnapshots->selectedItems().size());
  cmdAdd->setEnabled(open);
  cmdBaseline->setEnabled(open && selected == 1);
  cmdCompare->setEnabled(open && (selected == 1 || selected == 2));
  cmdSave->setEnabled(open && selected == 1);
}

bool frmHistory::eventFilter(QObject* watched, QEvent* event) {
  return ListEvent(watched, event) || QMainWindow::eventFilter(watched, event);
}

bool frmHistory::ListEvent(QObject* watched, QEvent* event) {
  const bool list = watched == tvwMachines->viewport() || watched == tvwSnapshots->viewport();
  const QEvent::Type type = event->type();
  if (!list || (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)) {
    return false;
  }
  auto* drop = static_cast<QDropEvent*>(event);
  if (store_ == nullptr || !drop->mimeData()->hasUrls()) return false;
  QStringList files;
  for (const QUrl& url : drop->mimeData()->urls()) {
    if (url.isLocalFile()) files << QDir::toNativeSeparators(url.toLocalFile());
  }
  if (files.isEmpty()) return false;
  drop->acceptProposedAction();
  if (type == QEvent::Drop) AddFiles(files);
  return true;
}

QString frmHistory::Machine() const {
  const QList<QTreeWidgetItem*> chosen = tvwMachines->selectedItems();
  return chosen.isEmpty() ? QString() : chosen.front()->text(0);
}

bool frmHistory::SelectMachine(const QString& name) {
  const QList<QTreeWidgetItem*> found = tvwMachines->findItems(name, Qt::MatchExactly, 0);
  if (found.isEmpty()) return false;
  tvwMachines->setCurrentItem(found.front());
  return true;
}

std::vector<SnapshotSummary> frmHistory::SelectedSnapshots() const {
  std::vector<SnapshotSummary> chosen;
  for (int i = 0; i < tvwSnapshots->topLevelItemCount(); ++i) {
    if (tvwSnapshots->topLevelItem(i)->isSelected() && static_cast<std::size_t>(i) < log_.size()) {
      chosen.push_back(log_[static_cast<std::size_t>(i)]);
    }
  }
  return chosen;
}

}  // namespace parvex
