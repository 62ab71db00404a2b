#include "ui/take/frmTakePreview.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

#include "engine/base/ErrorReport.h"
#include "engine/reading/Archive.h"
#include "ui/common/CodePage.h"
#include "ui/common/ProgramIcon.h"

namespace parvex {

namespace {

// What a line of the tree stands for, kept in its first column.
constexpr int kKindRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;
enum Kind { Changed = 1, Added = 2, Locked = 3 };

// A value as shown, with its units in brackets where they change.
QString ValueText(const std::string& value, const std::string& units, bool unitsChange) {
  QString text = FieldText(value);
  if (unitsChange) text += QStringLiteral(" [") + FieldText(units) + QLatin1Char(']');
  return text;
}

QTreeWidgetItem* LineItem(QTreeWidgetItem* part, const ChangeSet::Line& line, Kind kind,
                          std::size_t index) {
  const bool unitsChange = line.oldUnits != line.newUnits;
  auto* item = new QTreeWidgetItem(
      part, {FieldText(line.address), FieldText(line.description),
             ValueText(line.oldValue, line.oldUnits, unitsChange),
             ValueText(line.newValue, line.newUnits, unitsChange), FieldText(line.newUnits)});
  item->setData(0, kKindRole, kind);
  item->setData(0, kIndexRole, static_cast<qulonglong>(index));
  if (kind == Locked) {
    // Never taken: shown so that nobody wonders where it went.
    item->setFlags(Qt::ItemIsSelectable);
    item->setCheckState(0, Qt::Unchecked);
    item->setToolTip(0, QStringLiteral("Read-only: left alone"));
    item->setData(1, Qt::AccessibleDescriptionRole, QStringLiteral("read-only, left alone"));
  } else {
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Checked);
  }
  return item;
}

}  // namespace

frmTakePreview::frmTakePreview(const QString& title, std::vector<Part> parts,
                               std::vector<Choice> choices, TakeOutput preferred, QWidget* parent)
    : QDialog(parent), parts_(std::move(parts)) {
  setObjectName(QStringLiteral("frmTakePreview"));
  setWindowTitle(title);
  setWindowIcon(ProgramIcon());
  auto* layout = new QVBoxLayout(this);
  lblLines = new QLabel(QStringLiteral("&Lines that will change (uncheck those to leave alone):"));
  lblLines->setObjectName(QStringLiteral("lblLines"));
  tvwLines = new QTreeWidget;
  tvwLines->setObjectName(QStringLiteral("tvwLines"));
  tvwLines->setAccessibleName(QStringLiteral("Lines that will change"));
  tvwLines->setHeaderLabels({QStringLiteral("Address"), QStringLiteral("Description"),
                             QStringLiteral("Old Value"), QStringLiteral("New Value"),
                             QStringLiteral("Units")});
  tvwLines->setUniformRowHeights(true);
  tvwLines->header()->setSectionsMovable(false);
  lblLines->setBuddy(tvwLines);
  chkAddMissing = new QCheckBox(QStringLiteral("&Add lines the target lacks"));
  chkAddMissing->setObjectName(QStringLiteral("chkAddMissing"));
  chkAddMissing->setChecked(!parts_.empty() && parts_.front().session->AddsMissing());
  lblSummary = new QLabel;
  lblSummary->setObjectName(QStringLiteral("lblSummary"));
  lblSummary->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  lblSummary->setAccessibleName(QStringLiteral("Summary"));
  buttons = new QDialogButtonBox;
  for (const Choice& c : choices) {
    QPushButton* button = buttons->addButton(c.caption, QDialogButtonBox::AcceptRole);
    buttons_.emplace_back(c.output, button);
    connect(button, &QPushButton::clicked, this, [this, output = c.output] {
      chosen_ = output;
      accept();
    });
  }
  buttons->addButton(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  QPushButton* first = Button(preferred);
  if (first == nullptr && !buttons_.empty()) first = buttons_.front().second;
  if (first != nullptr) first->setDefault(true);
  for (QWidget* w :
       std::initializer_list<QWidget*>{lblLines, tvwLines, chkAddMissing, lblSummary, buttons}) {
    layout->addWidget(w);
  }
  setTabOrder(tvwLines, chkAddMissing);
  setTabOrder(chkAddMissing, buttons);
  connect(chkAddMissing, &QCheckBox::toggled, this, &frmTakePreview::SetAddMissing);
  connect(tvwLines, &QTreeWidget::itemChanged, this, &frmTakePreview::ItemChanged);
  Fill();
  resize(760, 420);
  tvwLines->setFocus();
}

QPushButton* frmTakePreview::Button(TakeOutput output) const {
  for (const auto& [o, button] : buttons_) {
    if (o == output) return button;
  }
  return nullptr;
}

void frmTakePreview::SetAddMissing(bool add) {
  try {
    for (Part& part : parts_) part.session->Plan(add);
  } catch (...) {
    ReportVBError("Error While Taking Values");
  }
  if (chkAddMissing->isChecked() != add) chkAddMissing->setChecked(add);
  Fill();
}

void frmTakePreview::Fill() {
  filling_ = true;
  tvwLines->clear();
  for (std::size_t k = 0; k < parts_.size(); ++k) FillPart(k);
  tvwLines->expandAll();
  for (int c = 0; c < tvwLines->columnCount(); ++c) tvwLines->resizeColumnToContents(c);
  if (QTreeWidgetItem* first = tvwLines->topLevelItem(0)) tvwLines->setCurrentItem(first);
  filling_ = false;
  ShowSummary();
}

void frmTakePreview::FillPart(std::size_t k) {
  const TakeSession& session = *parts_[k].session;
  auto* part = new QTreeWidgetItem(tvwLines, {parts_[k].name});
  // Unchecking an archive unchecks its lines; it shows whether some are.
  part->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  part->setCheckState(0, Qt::Checked);
  part->setFirstColumnSpanned(true);
  const ChangeSet& preview = session.Preview();
  for (std::size_t i = 0; i < preview.lines.size(); ++i) {
    LineItem(part, preview.lines[i], Changed, i);
  }
  for (std::size_t i = 0; i < preview.added.size(); ++i) {
    ArchiveFields fields;
    try {
      ParseArchiveLine(preview.added[i].line, fields);
    } catch (...) {
      // Only lines that split are added.
    }
    const ChangeSet::Line shown{preview.added[i].address,
                                1,
                                std::string(fields.Description),
                                false,
                                "(missing)",
                                std::string(fields.Units),
                                std::string(fields.Value),
                                std::string(fields.Units)};
    LineItem(part, shown, Added, i);
  }
  for (std::size_t i = 0; i < session.ReadOnlyLines().size(); ++i) {
    LineItem(part, session.ReadOnlyLines()[i], Locked, i);
  }
  if (preview.lines.empty() && preview.added.empty()) {
    part->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    part->setData(0, Qt::CheckStateRole, QVariant());
  }
}

TakeMarks frmTakePreview::Marks(std::size_t k) const {
  TakeMarks marks;
  marks.lines.assign(parts_[k].session->Preview().lines.size(), false);
  marks.added.assign(parts_[k].session->Preview().added.size(), false);
  const QTreeWidgetItem* part = tvwLines->topLevelItem(static_cast<int>(k));
  for (int i = 0; part != nullptr && i < part->childCount(); ++i) {
    const QTreeWidgetItem* item = part->child(i);
    const auto index = static_cast<std::size_t>(item->data(0, kIndexRole).toULongLong());
    const bool checked = item->checkState(0) == Qt::Checked;
    const int kind = item->data(0, kKindRole).toInt();
    if (kind == Changed) marks.lines[index] = checked;
    if (kind == Added) marks.added[index] = checked;
  }
  return marks;
}

void frmTakePreview::ItemChanged(QTreeWidgetItem* item) {
  if (filling_) return;
  filling_ = true;
  // An archive's box sets its lines' boxes (the read-only ones stay
  // unchecked); a line's box sets its archive's to all, none or some.
  QTreeWidgetItem* part = item->parent() == nullptr ? item : item->parent();
  const bool fromPart = part == item;
  int checked = 0;
  int checkable = 0;
  for (int i = 0; i < part->childCount(); ++i) {
    QTreeWidgetItem* line = part->child(i);
    if (!line->flags().testFlag(Qt::ItemIsUserCheckable)) continue;
    if (fromPart)
      line->setCheckState(0, part->checkState(0) == Qt::Checked ? Qt::Checked : Qt::Unchecked);
    ++checkable;
    if (line->checkState(0) == Qt::Checked) ++checked;
  }
  if (checkable > 0) {
    part->setCheckState(0, checked == checkable ? Qt::Checked
                           : checked == 0       ? Qt::Unchecked
                                                : Qt::PartiallyChecked);
  }
  filling_ = false;
  ShowSummary();
}

QString frmTakePreview::Summary(std::size_t k) const {
  return QString::fromStdString(TakeSummary(parts_[k].session->CountsFor(Marks(k))));
}

void frmTakePreview::ShowSummary() {
  QStringList lines;
  for (std::size_t k = 0; k < parts_.size(); ++k) {
    const QString summary = Summary(k);
    lines << (parts_.size() == 1 ? summary : parts_[k].name + QStringLiteral(": ") + summary);
    // A tooltip changes the item too: not a person's check.
    const bool filling = std::exchange(filling_, true);
    if (QTreeWidgetItem* part = tvwLines->topLevelItem(static_cast<int>(k))) {
      part->setToolTip(0, summary);
    }
    filling_ = filling;
  }
  lblSummary->setText(lines.join(QLatin1Char('\n')));
}

}  // namespace parvex
