// Working with the difference list: picking rows, copying them, and finding
// rows among thousands.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <vector>

#include "ui/main/DifferenceModel.h"
#include "ui/main/frmMain.h"

namespace parvex {

namespace {

// Keeps the rows whose address, description or either value holds the text,
// as shown and whatever the case.
class FindFilter final : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

  void SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    // Without rows to filter there is nothing to redo; rows taken on later
    // are filtered as they come.
    if (sourceModel() != nullptr) invalidateFilter();
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    if (text_.isEmpty()) return true;
    const QAbstractItemModel* model = sourceModel();
    for (int column = 0; column < 4; ++column) {
      if (model->index(row, column, parent).data().toString().contains(text_, Qt::CaseInsensitive))
        return true;
    }
    return false;
  }

 private:
  QString text_;
};

}  // namespace

void frmMain::BuildListTools() {
  // The filter stands between the model and the list only while it filters,
  // so that a list of tens of thousands of rows fills as fast as without it.
  filter_ = new FindFilter(this);
  lvList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvList->installEventFilter(this);

  mnuCopy = new QAction(QStringLiteral("&Copy"), this);
  mnuCopy->setObjectName(QStringLiteral("mnuCopy"));
  mnuCopy->setShortcut(QKeySequence::Copy);
  connect(mnuCopy, &QAction::triggered, this, &frmMain::CopyRows);
  mnuFind = new QAction(QStringLiteral("&Find..."), this);
  mnuFind->setObjectName(QStringLiteral("mnuFind"));
  mnuFind->setShortcut(QKeySequence::Find);
  connect(mnuFind, &QAction::triggered, this, &frmMain::ShowFind);
  addAction(mnuFind);

  lvList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lvList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    // From the keyboard there is no cell under the pointer: the current one.
    QModelIndex index = lvList->indexAt(at);
    if (!index.isValid()) index = lvList->currentIndex();
    QMenu* menu = ListMenu(index);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(lvList->viewport()->mapToGlobal(at));
  });

  txtFind = new QLineEdit(central);
  txtFind->setObjectName(QStringLiteral("txtFind"));
  txtFind->setPlaceholderText(QStringLiteral("Find in the list (Esc closes)"));
  txtFind->setAccessibleName(QStringLiteral("Find in the difference list"));
  txtFind->setClearButtonEnabled(true);
  txtFind->installEventFilter(this);
  txtFind->hide();
  connect(txtFind, &QLineEdit::textChanged, this, &frmMain::ApplyFind);
  setTabOrder(cmdCloseNotes, txtFind);

  sbShown = new QLabel;
  sbShown->setObjectName(QStringLiteral("sbShown"));
  statusBar()->addPermanentWidget(sbShown);
  sbShown->hide();
  // New rows are filtered as they come; the count follows.
  for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
    connect(filter_, signal, this, &frmMain::CountShown);
  }
  connect(filter_, &QAbstractItemModel::modelReset, this, &frmMain::CountShown);
  connect(filter_, &QAbstractItemModel::layoutChanged, this, &frmMain::CountShown);
}

bool frmMain::ListToolsEvent(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const bool copy = watched == lvList && key->matches(QKeySequence::Copy);
  const bool escape = watched == txtFind && key->key() == Qt::Key_Escape;
  if (!copy && !escape) return false;
  // The list's own copy of one cell, and any shortcut of the window, give way.
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  if (copy) CopyRows();
  if (escape) HideFind();
  return true;
}

void frmMain::CopyRows() {
  QModelIndexList rows = lvList->selectionModel()->selectedRows();
  if (rows.isEmpty()) return;
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  const QAbstractItemModel* model = lvList->model();
  const int columns = model->columnCount();
  QStringList lines;
  QStringList captions;
  for (int column = 0; column < columns; ++column) {
    captions << model->headerData(column, Qt::Horizontal).toString();
  }
  lines << captions.join(QLatin1Char('\t'));
  for (const QModelIndex& row : rows) {
    QStringList cells;
    for (int column = 0; column < columns; ++column) {
      cells << model->index(row.row(), column).data().toString();
    }
    lines << cells.join(QLatin1Char('\t'));
  }
  QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void frmMain::CopyCell(const QModelIndex& index) {
  if (index.isValid()) QApplication::clipboard()->setText(index.data().toString());
}

QMenu* frmMain::ListMenu(const QModelIndex& index) {
  auto* menu = new QMenu(lvList);
  menu->setObjectName(QStringLiteral("mnuList"));
  menu->addAction(mnuCopy);
  mnuCopy->setEnabled(lvList->selectionModel()->hasSelection());
  QAction* cell = menu->addAction(QStringLiteral("Copy C&ell"));
  cell->setObjectName(QStringLiteral("mnuCopyCell"));
  cell->setEnabled(index.isValid());
  const QPersistentModelIndex at(index);
  connect(cell, &QAction::triggered, this, [this, at] { CopyCell(at); });
  menu->addSeparator();
  menu->addAction(mnuFind);
  if (mnuValueHistory != nullptr) {
    menu->addSeparator();
    menu->addAction(mnuValueHistory);
  }
  return menu;
}

void frmMain::ShowFind() {
  if (txtFind->isHidden()) {
    txtFind->show();
    ApplyLayout();
  }
  txtFind->setFocus();
  txtFind->selectAll();
}

void frmMain::HideFind() {
  const bool hadFocus = txtFind->hasFocus();
  txtFind->clear();
  txtFind->hide();
  ApplyLayout();
  if (hadFocus) lvList->setFocus();
}

void frmMain::ApplyFind() {
  static_cast<FindFilter*>(filter_)->SetText(txtFind->isHidden() ? QString() : txtFind->text());
  const bool filtering = !txtFind->isHidden() && !txtFind->text().isEmpty();
  if (filtering != (lvList->model() == filter_)) {
    // A model of its own resets the header and the selection: the widths
    // the person gave the columns are kept.
    std::vector<int> widths;
    for (int i = 0; i < DifferenceList::kColumnCount; ++i) widths.push_back(lvList->columnWidth(i));
    const QPointer<QItemSelectionModel> selection = lvList->selectionModel();
    lvList->setModel(filtering ? static_cast<QAbstractItemModel*>(filter_) : model_);
    // The view's own, made for the model before; let go once nothing uses it.
    if (selection != nullptr && selection->parent() == lvList) selection->deleteLater();
    filter_->setSourceModel(filtering ? model_ : nullptr);
    for (int i = 0; i < DifferenceList::kColumnCount; ++i) {
      lvList->setColumnWidth(i, widths[static_cast<std::size_t>(i)]);
    }
  }
  CountShown();
}

void frmMain::CountShown() {
  const bool filtering = lvList->model() == filter_;
  sbShown->setVisible(filtering);
  if (filtering) {
    sbShown->setText(
        QStringLiteral("%1 of %2 shown").arg(filter_->rowCount()).arg(model_->rowCount()));
  }
}

}  // namespace parvex
