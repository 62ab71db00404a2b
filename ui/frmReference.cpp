// The Compare with Reference window: its controls, its inputs and the
// settings that bring them back.
#include "ui/frmReference.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
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
#include <QTimer>
#include <QVBoxLayout>

#include "reference/Inputs.h"
#include "ui/CodePage.h"
#include "ui/ProgramIcon.h"
#include "ui/ReferenceModels.h"
#include "ui/frmMainSupport.h"

namespace parvex {

namespace {

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

// A label's text as a screen reader should say it: without the access key's
// marker.
QString Spoken(const QString& caption) {
  QString text = caption;
  return text.remove(QLatin1Char('&'));
}

}  // namespace

QString OptionsText(const ReferenceOptions& options, const QString& rulesFile) {
  return QStringLiteral("Options: lines paired by address; read-only values ") +
         (options.includeReadOnly ? QStringLiteral("included") : QStringLiteral("left out")) +
         QStringLiteral("; numbers compared ") +
         (options.numbersByValue ? QStringLiteral("by value") : QStringLiteral("as text")) +
         (rulesFile.isEmpty() ? QStringLiteral("; no rules file")
                              : QStringLiteral("; rules file ") + QFileInfo(rulesFile).fileName());
}

frmReference::frmReference(ReferenceServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), cdlg_(services_.dialogs) {
  setObjectName(QStringLiteral("frmReference"));
  setWindowTitle(QStringLiteral("Compare with Reference"));
  setWindowIcon(ProgramIcon());
  BuildControls();
  poll_ = new QTimer(this);
  poll_->setInterval(30);
  connect(poll_, &QTimer::timeout, this, &frmReference::Poll);
  RefreshOptions();
  UpdateCommands();
}

void frmReference::BuildControls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  const auto name = [](QWidget* w, const char* objectName) {
    w->setObjectName(QString::fromLatin1(objectName));
  };
  const auto button = [&](const char* objectName, const QString& caption) {
    auto* b = new QPushButton(caption, central);
    name(b, objectName);
    b->setAccessibleName(Spoken(caption));
    return b;
  };
  const auto label = [&](const char* objectName, const QString& caption, QWidget* buddy) {
    auto* l = new QLabel(caption, central);
    name(l, objectName);
    l->setBuddy(buddy);
    buddy->setAccessibleName(Spoken(caption));
    return l;
  };

  txtReference = new ReferenceField(central);
  name(txtReference, "txtReference");
  txtReference->setAcceptDrops(true);
  lblReference = label("lblReference", QStringLiteral("&Reference"), txtReference);
  cmdBrowse = button("cmdBrowse", QStringLiteral("&Browse..."));
  lstArchives = new ArchiveList([this](const QStringList& paths) { AddArchives(paths); },
                                [this] { cmdRemove_Click(); }, central);
  name(lstArchives, "lstArchives");
  lblArchives = label("lblArchives", QStringLiteral("&Archives"), lstArchives);
  cmdAddFiles = button("cmdAddFiles", QStringLiteral("Add &Files..."));
  cmdAddFolder = button("cmdAddFolder", QStringLiteral("Add F&older..."));
  cmdRemove = button("cmdRemove", QStringLiteral("Re&move"));
  lblOptions = new QLabel(central);
  name(lblOptions, "lblOptions");
  lblOptions->setWordWrap(true);
  cmdCompare = button("cmdCompare", QStringLiteral("&Compare"));
  cmdCancel = button("cmdCancel", QStringLiteral("Cance&l"));
  prgCompare = new QProgressBar(central);
  name(prgCompare, "prgCompare");
  prgCompare->setAccessibleName(QStringLiteral("Archives compared"));
  prgCompare->setRange(0, 1);
  prgCompare->setValue(0);
  cmdSave = button("cmdSave", QStringLiteral("&Save Report..."));

  auto* results = new QSplitter(Qt::Vertical, central);
  name(results, "splResults");
  auto* summaryPane = new QWidget(results);
  tblSummary = new QTableView(summaryPane);
  name(tblSummary, "tblSummary");
  lblSummary = new QLabel(QStringLiteral("S&ummary"), summaryPane);
  name(lblSummary, "lblSummary");
  lblSummary->setBuddy(tblSummary);
  tblSummary->setAccessibleName(QStringLiteral("Summary"));
  summaryModel = new ReferenceSummaryModel(this);
  summarySort = new QSortFilterProxyModel(this);
  summarySort->setSourceModel(summaryModel);
  tblSummary->setModel(summarySort);
  tblSummary->setSortingEnabled(true);
  tblSummary->sortByColumn(-1, Qt::AscendingOrder);
  tblSummary->setSelectionBehavior(QAbstractItemView::SelectRows);
  tblSummary->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tblSummary->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tblSummary->verticalHeader()->hide();
  tblSummary->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  tblSummary->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  tblSummary->horizontalHeader()->setStretchLastSection(true);
  auto* summaryLayout = new QVBoxLayout(summaryPane);
  summaryLayout->setContentsMargins(0, 0, 0, 0);
  summaryLayout->addWidget(lblSummary);
  summaryLayout->addWidget(tblSummary);

  auto* matrixPane = new QWidget(results);
  txtFilter = new QLineEdit(matrixPane);
  name(txtFilter, "txtFilter");
  txtFilter->setClearButtonEnabled(true);
  lblFilter = new QLabel(QStringLiteral("F&ilter"), matrixPane);
  name(lblFilter, "lblFilter");
  lblFilter->setBuddy(txtFilter);
  txtFilter->setAccessibleName(QStringLiteral("Filter"));
  txtFilter->setPlaceholderText(QStringLiteral("Address or description contains (Ctrl+F)"));
  chkSelectedOnly =
      new QCheckBox(QStringLiteral("Only &deviations of the selected archive"), matrixPane);
  name(chkSelectedOnly, "chkSelectedOnly");
  chkSelectedOnly->setAccessibleName(QStringLiteral("Only deviations of the selected archive"));
  matrixModel = new ReferenceMatrixModel(this);
  matrixFilter = new ReferenceMatrixFilter(this);
  matrixFilter->setSourceModel(matrixModel);
  tblMatrix = new QTableView(matrixPane);
  name(tblMatrix, "tblMatrix");
  tblFixed = new QTableView(matrixPane);
  name(tblFixed, "tblFixed");
  lblMatrix = new QLabel(QStringLiteral("Ma&trix"), matrixPane);
  name(lblMatrix, "lblMatrix");
  lblMatrix->setBuddy(tblMatrix);
  tblMatrix->setAccessibleName(QStringLiteral("Matrix"));
  tblFixed->setAccessibleName(QStringLiteral("Matrix addresses"));
  for (QTableView* view : {tblFixed, tblMatrix}) {
    view->setModel(matrixFilter);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->hide();
    // Rows of one height, so the two views stay line for line in step.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setWordWrap(false);
  }
  tblFixed->setSelectionModel(tblMatrix->selectionModel());
  tblFixed->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  tblFixed->setFocusPolicy(Qt::NoFocus);
  connect(tblMatrix->verticalScrollBar(), &QScrollBar::valueChanged, tblFixed->verticalScrollBar(),
          &QScrollBar::setValue);
  connect(tblFixed->verticalScrollBar(), &QScrollBar::valueChanged, tblMatrix->verticalScrollBar(),
          &QScrollBar::setValue);
  connect(matrixFilter, &QAbstractItemModel::modelReset, this, &frmReference::ApplyFrozenColumns);
  connect(matrixFilter, &QAbstractItemModel::layoutChanged, this,
          &frmReference::ApplyFrozenColumns);
  connect(matrixFilter, &QAbstractItemModel::columnsInserted, this,
          &frmReference::ApplyFrozenColumns);
  connect(matrixFilter, &QAbstractItemModel::columnsRemoved, this,
          &frmReference::ApplyFrozenColumns);
  auto* matrixViews = new QSplitter(Qt::Horizontal, matrixPane);
  name(matrixViews, "splMatrix");
  matrixViews->addWidget(tblFixed);
  matrixViews->addWidget(tblMatrix);
  matrixViews->setStretchFactor(1, 1);
  matrixViews->setSizes({260, 600});
  auto* filterRow = new QHBoxLayout;
  filterRow->addWidget(lblFilter);
  filterRow->addWidget(txtFilter, 1);
  filterRow->addWidget(chkSelectedOnly);
  auto* matrixLayout = new QVBoxLayout(matrixPane);
  matrixLayout->setContentsMargins(0, 0, 0, 0);
  matrixLayout->addLayout(filterRow);
  matrixLayout->addWidget(lblMatrix);
  matrixLayout->addWidget(matrixViews, 1);
  results->addWidget(summaryPane);
  results->addWidget(matrixPane);
  results->setStretchFactor(1, 2);
  results->setSizes({180, 360});

  auto* grid = new QGridLayout(central);
  grid->addWidget(lblReference, 0, 0);
  grid->addWidget(txtReference, 0, 1);
  grid->addWidget(cmdBrowse, 0, 2);
  grid->addWidget(lblArchives, 1, 0, Qt::AlignTop);
  grid->addWidget(lstArchives, 1, 1);
  auto* listButtons = new QVBoxLayout;
  listButtons->addWidget(cmdAddFiles);
  listButtons->addWidget(cmdAddFolder);
  listButtons->addWidget(cmdRemove);
  listButtons->addStretch(1);
  grid->addLayout(listButtons, 1, 2);
  grid->addWidget(lblOptions, 2, 1, 1, 2);
  auto* runRow = new QHBoxLayout;
  runRow->addWidget(cmdCompare);
  runRow->addWidget(cmdCancel);
  runRow->addWidget(prgCompare, 1);
  runRow->addWidget(cmdSave);
  grid->addLayout(runRow, 3, 1, 1, 2);
  grid->addWidget(results, 4, 0, 1, 3);
  grid->setRowStretch(4, 1);
  grid->setColumnStretch(1, 1);
  lstArchives->setMinimumHeight(4 * fontMetrics().height());
  lstArchives->setMaximumHeight(9 * fontMetrics().height());

  sbStatus = new QLabel(central);
  name(sbStatus, "sbStatus");
  statusBar()->addWidget(sbStatus, 1);

  // The keyboard walks the window in reading order.
  QWidget* order[] = {txtReference, cmdBrowse,       lstArchives, cmdAddFiles, cmdAddFolder,
                      cmdRemove,    cmdCompare,      cmdCancel,   cmdSave,     tblSummary,
                      txtFilter,    chkSelectedOnly, tblMatrix};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

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
  connect(txtReference, &QLineEdit::textChanged, this, &frmReference::UpdateCommands);
  connect(lstArchives->model(), &QAbstractItemModel::rowsInserted, this,
          &frmReference::UpdateCommands);
  connect(lstArchives->model(), &QAbstractItemModel::rowsRemoved, this,
          &frmReference::UpdateCommands);
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
  resize(900, 680);
}

frmReference::~frmReference() {
  // A comparison still running is cancelled and waited for by its own end.
  run_.reset();
}

void frmReference::ApplyFrozenColumns() {
  const int columns = matrixFilter->columnCount();
  for (int c = 0; c < columns; ++c) {
    tblFixed->setColumnHidden(c, c >= 2);
    tblMatrix->setColumnHidden(c, c < 2);
  }
}

void frmReference::UpdateCommands() {
  const bool running = Running();
  cmdCompare->setEnabled(!running && !txtReference->text().isEmpty() && lstArchives->count() > 0);
  cmdCancel->setEnabled(running);
  for (QWidget* w : {static_cast<QWidget*>(txtReference), static_cast<QWidget*>(cmdBrowse),
                     static_cast<QWidget*>(cmdAddFiles), static_cast<QWidget*>(cmdAddFolder),
                     static_cast<QWidget*>(cmdRemove)}) {
    w->setEnabled(!running);
  }
  lstArchives->setAcceptDrops(!running);
}

void frmReference::RefreshOptions() {
  const QString rules = RulesFile();
  lblOptions->setText(
      OptionsText(services_.options ? services_.options() : ReferenceOptions{}, rules));
  lblOptions->setToolTip(QDir::toNativeSeparators(rules));
}

QStringList frmReference::Archives() const {
  QStringList paths;
  for (int i = 0; i < lstArchives->count(); ++i) paths << lstArchives->item(i)->text();
  return paths;
}

void frmReference::AddArchives(const QStringList& paths) {
  QStringList empty;
  for (const QString& path : paths) {
    const ExpandedInputs inputs = ExpandInputs({PathBytes(path)}, false);
    if (!inputs.error.empty()) {
      empty << path;
      continue;
    }
    // With the system's own separators, as the file dialogs give paths.
    for (const std::string& file : inputs.paths) {
      lstArchives->addItem(QDir::toNativeSeparators(PathText(file)));
    }
  }
  if (!empty.isEmpty()) {
    sbStatus->setText(QStringLiteral("No archive files in: ") + empty.join(QStringLiteral(", ")));
  }
}

void frmReference::cmdRemove_Click() {
  const QList<QListWidgetItem*> chosen = lstArchives->selectedItems();
  for (QListWidgetItem* item : chosen) delete item;
}

void frmReference::Show() {
  LoadSettings();
  show();
}

void frmReference::LoadSettings() {
  if (loaded_) return;
  loaded_ = true;
  SkipOnFailure([&] {
    const SettingValue placement = Registry().GetItem(QStringLiteral("ReferencePlacement"));
    if (placement.IsBytes() && !placement.AsBytes().isEmpty()) restoreGeometry(placement.AsBytes());
  });
  SkipOnFailure(
      [&] { txtReference->setText(Registry().GetItem(QStringLiteral("Reference")).ToText()); });
  SkipOnFailure([&] {
    const SettingValue list = Registry().GetItem(QStringLiteral("ReferenceArchives"));
    if (!list.IsBytes()) return;
    for (const QByteArray& line : list.AsBytes().split('\n')) {
      if (!line.isEmpty()) lstArchives->addItem(QString::fromUtf8(line));
    }
  });
}

void frmReference::SaveSettings() {
  SkipOnFailure([&] {
    Registry().SaveItem(QStringLiteral("Reference"), SettingValue::Text(txtReference->text()));
  });
  SkipOnFailure([&] {
    // A value of no bytes cannot be read back: the empty list is one line
    // feed.
    QByteArray list;
    for (const QString& path : Archives()) list += path.toUtf8() + '\n';
    if (list.isEmpty()) list = "\n";
    Registry().SaveItem(QStringLiteral("ReferenceArchives"), SettingValue::Bytes(list));
  });
  SkipOnFailure([&] {
    Registry().SaveItem(QStringLiteral("ReferencePlacement"), SettingValue::Bytes(saveGeometry()));
  });
}

void frmReference::closeEvent(QCloseEvent* event) {
  SaveSettings();
  event->accept();
}

}  // namespace parvex
