// The Compare with Reference window's controls: made, placed in reading
// order and connected to the commands.
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include "ui/reference/ReferenceModels.h"
#include "ui/reference/frmReference.h"

namespace parvex {

namespace {

// The rows in view at the window's first size, without scrolling: a fleet
// of a dozen archives fits the summary whole.
constexpr int kSummaryRowsInView = 12;
constexpr int kMatrixRowsInView = 8;

// The local files of a drop from a file manager.
QStringList DroppedFiles(const QMimeData* data) {
  QStringList files;
  if (data == nullptr) return files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) files << QDir::toNativeSeparators(url.toLocalFile());
  }
  return files;
}

// A widget that takes the local files dropped on it from a file manager.
template <typename Widget>
class TakesDroppedFiles : public Widget {
 public:
  using Widget::Widget;

 protected:
  virtual void FilesDropped(const QStringList& files) = 0;
  void dragEnterEvent(QDragEnterEvent* event) override {
    if (!DroppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
  }
  void dragMoveEvent(QDragMoveEvent* event) override {
    if (!DroppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
  }
  void dropEvent(QDropEvent* event) override {
    const QStringList files = DroppedFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    FilesDropped(files);
  }
};

// The archive list: files or folders dropped on it are added, Delete removes
// the selected entries.
class ArchiveList final : public TakesDroppedFiles<QListWidget> {
 public:
  ArchiveList(std::function<void(const QStringList&)> add, std::function<void()> remove,
              QWidget* parent)
      : TakesDroppedFiles<QListWidget>(parent), add_(std::move(add)), remove_(std::move(remove)) {
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
  }

 protected:
  void FilesDropped(const QStringList& files) override { add_(files); }
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
      remove_();
      return;
    }
    QListWidget::keyPressEvent(event);
  }

 private:
  std::function<void(const QStringList&)> add_;
  std::function<void()> remove_;
};

// The reference field: a file dropped on it becomes the reference.
class ReferenceField final : public TakesDroppedFiles<QLineEdit> {
 public:
  using TakesDroppedFiles<QLineEdit>::TakesDroppedFiles;

 protected:
  void FilesDropped(const QStringList& files) override { setText(files.constFirst()); }
};

// A caption as a screen reader should say it: without the access key's
// marker and a closing colon.
QString Spoken(const QString& caption) {
  QString text = caption;
  text.remove(QLatin1Char('&'));
  if (text.endsWith(QLatin1Char(':'))) text.chop(1);
  return text;
}

template <typename Widget>
Widget* Named(Widget* w, const char* objectName) {
  w->setObjectName(QString::fromLatin1(objectName));
  return w;
}

QPushButton* Button(QWidget* parent, const char* objectName, const QString& caption) {
  auto* b = Named(new QPushButton(caption, parent), objectName);
  b->setAccessibleName(Spoken(caption));
  return b;
}

QLabel* Label(QWidget* parent, const char* objectName, const QString& caption, QWidget* buddy) {
  auto* l = Named(new QLabel(caption, parent), objectName);
  l->setBuddy(buddy);
  buddy->setAccessibleName(Spoken(caption));
  return l;
}

// Rows of one height, so that two views stay line for line in step and a
// count of rows is a height.
void SetUpTable(QTableView* view, int rowHeight) {
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->verticalHeader()->hide();
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setDefaultSectionSize(rowHeight);
}

// The height a table needs to show rows without scrolling up and down.
int TableHeight(const QTableView* view, int rows) {
  int height = view->horizontalHeader()->sizeHint().height() +
               rows * view->verticalHeader()->defaultSectionSize() + 2 * view->frameWidth();
  if (view->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn) {
    height += view->horizontalScrollBar()->sizeHint().height();
  }
  return height;
}

}  // namespace

void frmReference::BuildControls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  BuildInputs(central);
  splResults = Named(new QSplitter(Qt::Vertical, central), "splResults");
  splResults->setChildrenCollapsible(false);
  splResults->addWidget(BuildSummary(splResults));
  splResults->addWidget(BuildMatrix(splResults));
  PlaceControls(central);
  ConnectControls();
}

void frmReference::BuildInputs(QWidget* central) {
  txtReference = Named(new ReferenceField(central), "txtReference");
  txtReference->setAcceptDrops(true);
  lblReference = Label(central, "lblReference", QStringLiteral("&Reference"), txtReference);
  cmdBrowse = Button(central, "cmdBrowse", QStringLiteral("&Browse..."));
  lstArchives = Named(new ArchiveList([this](const QStringList& paths) { AddArchives(paths); },
                                      [this] { cmdRemove_Click(); }, central),
                      "lstArchives");
  lblArchives = Label(central, "lblArchives", QStringLiteral("&Archives"), lstArchives);
  cmdAddFiles = Button(central, "cmdAddFiles", QStringLiteral("Add &Files..."));
  cmdAddFolder = Button(central, "cmdAddFolder", QStringLiteral("Add F&older..."));
  cmdRemove = Button(central, "cmdRemove", QStringLiteral("Re&move"));
  txtInclude = Named(new QLineEdit(central), "txtInclude");
  txtInclude->setPlaceholderText(QStringLiteral("Every file; for example *.arc; *.bak"));
  txtInclude->setToolTip(QStringLiteral(
      "The file names Add Folder takes, separated by semicolons; empty: every file"));
  lblInclude = Label(central, "lblInclude", QStringLiteral("I&nclude:"), txtInclude);
  chkIgnoreUnits = Named(new QCheckBox(QStringLiteral("I&gnore Units"), central), "chkIgnoreUnits");
  chkIgnoreUnits->setAccessibleName(Spoken(chkIgnoreUnits->text()));
  lblOptions = Named(new QLabel(central), "lblOptions");
  lblOptions->setWordWrap(true);
  cmdCompare = Button(central, "cmdCompare", QStringLiteral("&Compare"));
  cmdCancel = Button(central, "cmdCancel", QStringLiteral("Cance&l"));
  prgCompare = Named(new QProgressBar(central), "prgCompare");
  prgCompare->setAccessibleName(QStringLiteral("Archives compared"));
  prgCompare->setRange(0, 1);
  prgCompare->setValue(0);
  cmdSave = Button(central, "cmdSave", QStringLiteral("&Save Report..."));
  cmdTake = Button(central, "cmdTake", QStringLiteral("Take Reference &Values..."));
  cmdTake->setToolTip(QStringLiteral(
      "Writes a corrected copy, or a change set, of each archive selected in the summary "
      "(of every deviating one when none is), for the rows selected in the matrix (or all)"));
}

QWidget* frmReference::BuildSummary(QWidget* parent) {
  auto* pane = new QWidget(parent);
  lblNotes = Named(new QLabel(pane), "lblNotes");
  lblNotes->setWordWrap(true);
  lblNotes->setAccessibleName(QStringLiteral("Notes"));
  // Reachable by Tab while shown, so a screen reader reads it and the text
  // can be copied, as the main window's notes.
  lblNotes->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  lblNotes->setFocusPolicy(Qt::StrongFocus);
  lblNotes->hide();
  tblSummary = Named(new QTableView(pane), "tblSummary");
  lblSummary = Label(pane, "lblSummary", QStringLiteral("S&ummary"), tblSummary);
  summaryModel = new ReferenceSummaryModel(this);
  summarySort = new QSortFilterProxyModel(this);
  summarySort->setSourceModel(summaryModel);
  summarySort->setSortRole(ReferenceSummaryModel::SortRole);
  tblSummary->setModel(summarySort);
  tblSummary->setSortingEnabled(true);
  tblSummary->sortByColumn(-1, Qt::AscendingOrder);
  SetUpTable(tblSummary, fontMetrics().height() + 6);
  tblSummary->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tblSummary->horizontalHeader()->setStretchLastSection(true);
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(lblNotes);
  layout->addWidget(lblSummary);
  layout->addWidget(tblSummary, 1);
  return pane;
}

QWidget* frmReference::BuildMatrix(QWidget* parent) {
  auto* pane = new QWidget(parent);
  txtFilter = Named(new QLineEdit(pane), "txtFilter");
  txtFilter->setClearButtonEnabled(true);
  lblFilter = Label(pane, "lblFilter", QStringLiteral("F&ilter"), txtFilter);
  txtFilter->setPlaceholderText(QStringLiteral("Address or description contains (Ctrl+F)"));
  chkSelectedOnly =
      Named(new QCheckBox(QStringLiteral("Only &deviations of the selected archive"), pane),
            "chkSelectedOnly");
  chkSelectedOnly->setAccessibleName(Spoken(chkSelectedOnly->text()));
  matrixModel = new ReferenceMatrixModel(this);
  matrixFilter = new ReferenceMatrixFilter(this);
  matrixFilter->setSourceModel(matrixModel);
  tblMatrix = Named(new QTableView(pane), "tblMatrix");
  tblFixed = Named(new QTableView(pane), "tblFixed");
  lblMatrix = Label(pane, "lblMatrix", QStringLiteral("Ma&trix"), tblMatrix);
  tblFixed->setAccessibleName(QStringLiteral("Matrix addresses"));
  for (QTableView* view : {tblFixed, tblMatrix}) {
    view->setModel(matrixFilter);
    SetUpTable(view, fontMetrics().height() + 6);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setWordWrap(false);
    // Columns fit the rows in view: a matrix of thousands of rows is not
    // measured whole.
    view->horizontalHeader()->setResizeContentsPrecision(0);
  }
  tblFixed->setSelectionModel(tblMatrix->selectionModel());
  tblFixed->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  tblFixed->setFocusPolicy(Qt::NoFocus);
  auto* views = Named(new QSplitter(Qt::Horizontal, pane), "splMatrix");
  views->addWidget(tblFixed);
  views->addWidget(tblMatrix);
  views->setStretchFactor(1, 1);
  views->setSizes({260, 600});
  // The matrix's caption shares the filter's line, which leaves the rows
  // the room.
  auto* filterRow = new QHBoxLayout;
  filterRow->addWidget(lblMatrix);
  filterRow->addSpacing(12);
  filterRow->addWidget(lblFilter);
  filterRow->addWidget(txtFilter, 1);
  filterRow->addWidget(chkSelectedOnly);
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(filterRow);
  layout->addWidget(views, 1);
  return pane;
}

void frmReference::PlaceControls(QWidget* central) {
  auto* grid = new QGridLayout(central);
  grid->addWidget(lblReference, 0, 0);
  grid->addWidget(txtReference, 0, 1);
  grid->addWidget(cmdBrowse, 0, 2);
  grid->addWidget(lblArchives, 1, 0, Qt::AlignTop);
  grid->addWidget(lstArchives, 1, 1);
  auto* listButtons = new QVBoxLayout;
  for (QWidget* w : {cmdAddFiles, cmdAddFolder, cmdRemove}) listButtons->addWidget(w);
  listButtons->addStretch(1);
  grid->addLayout(listButtons, 1, 2);
  grid->addWidget(lblInclude, 2, 0);
  auto* includeRow = new QHBoxLayout;
  includeRow->addWidget(txtInclude, 1);
  includeRow->addWidget(chkIgnoreUnits);
  grid->addLayout(includeRow, 2, 1, 1, 2);
  grid->addWidget(lblOptions, 3, 1, 1, 2);
  auto* runRow = new QHBoxLayout;
  runRow->addWidget(cmdCompare);
  runRow->addWidget(cmdCancel);
  runRow->addWidget(prgCompare, 1);
  runRow->addWidget(cmdSave);
  runRow->addWidget(cmdTake);
  grid->addLayout(runRow, 4, 1, 1, 2);
  grid->addWidget(splResults, 5, 0, 1, 3);
  grid->setRowStretch(5, 1);
  grid->setColumnStretch(1, 1);
  const int line = fontMetrics().height();
  lstArchives->setMinimumHeight(4 * line);
  lstArchives->setMaximumHeight(6 * line);

  sbStatus = Named(new QLabel(central), "sbStatus");
  statusBar()->addWidget(sbStatus, 1);

  // The keyboard walks the window in reading order.
  QWidget* order[] = {txtReference,    cmdBrowse,  lstArchives,    cmdAddFiles, cmdAddFolder,
                      cmdRemove,       txtInclude, chkIgnoreUnits, cmdCompare,  cmdCancel,
                      cmdSave,         cmdTake,    lblNotes,       tblSummary,  txtFilter,
                      chkSelectedOnly, tblMatrix};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  SetFirstSize(central, grid->spacing());
}

void frmReference::SetFirstSize(QWidget* central, int spacing) {
  // The inputs, the summary's first rows and some of the matrix; a taller
  // window gives the matrix the room.
  const int summary =
      lblSummary->sizeHint().height() + spacing + TableHeight(tblSummary, kSummaryRowsInView);
  const int matrix =
      txtFilter->sizeHint().height() + spacing + TableHeight(tblMatrix, kMatrixRowsInView);
  splResults->setStretchFactor(0, 0);
  splResults->setStretchFactor(1, 1);
  splResults->setSizes({summary, matrix});
  const int inputs = central->sizeHint().height() - splResults->sizeHint().height();
  resize(900,
         inputs + summary + matrix + splResults->handleWidth() + statusBar()->sizeHint().height());
}

void frmReference::ConnectControls() {
  connect(tblMatrix->verticalScrollBar(), &QScrollBar::valueChanged, tblFixed->verticalScrollBar(),
          &QScrollBar::setValue);
  connect(tblFixed->verticalScrollBar(), &QScrollBar::valueChanged, tblMatrix->verticalScrollBar(),
          &QScrollBar::setValue);
  connect(matrixFilter, &QAbstractItemModel::modelReset, this, &frmReference::ApplyFrozenColumns);
  connect(matrixFilter, &QAbstractItemModel::layoutChanged, this,
          &frmReference::ApplyFrozenColumns);
  for (const auto signal :
       {&QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved}) {
    connect(matrixFilter, signal, this, &frmReference::ApplyFrozenColumns);
  }
  auto* findKey = new QShortcut(QKeySequence::Find, this);
  connect(findKey, &QShortcut::activated, this, [this] {
    txtFilter->setFocus(Qt::ShortcutFocusReason);
    txtFilter->selectAll();
  });
  connect(cmdBrowse, &QPushButton::clicked, this, &frmReference::cmdBrowse_Click);
  connect(cmdAddFiles, &QPushButton::clicked, this, &frmReference::cmdAddFiles_Click);
  connect(cmdAddFolder, &QPushButton::clicked, this, &frmReference::cmdAddFolder_Click);
  connect(cmdRemove, &QPushButton::clicked, this, &frmReference::cmdRemove_Click);
  connect(cmdCompare, &QPushButton::clicked, this, &frmReference::cmdCompare_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmReference::cmdCancel_Click);
  connect(cmdSave, &QPushButton::clicked, this, &frmReference::cmdSave_Click);
  connect(cmdTake, &QPushButton::clicked, this, &frmReference::cmdTake_Click);
  connect(txtReference, &QLineEdit::textChanged, this, &frmReference::UpdateCommands);
  for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
    connect(lstArchives->model(), signal, this, &frmReference::UpdateCommands);
  }
  connect(txtFilter, &QLineEdit::textChanged, matrixFilter, &ReferenceMatrixFilter::SetText);
  connect(chkSelectedOnly, &QCheckBox::toggled, this, &frmReference::ApplyArchiveFilter);
  connect(tblSummary->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &frmReference::ApplyArchiveFilter);
  connect(tblSummary, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { OpenPair(summarySort->mapToSource(index).row()); });
  for (QTableView* view : {tblMatrix, tblFixed}) {
    connect(view->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int column) { OpenPair(matrixFilter->ArchiveOfColumn(column)); });
  }
}

}  // namespace parvex
