#include "ui/main/frmMain.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTreeView>

#include "parvex/version.h"
#include "ui/common/CodePage.h"
#include "ui/common/ProgramIcon.h"
#include "ui/main/DifferenceModel.h"
#include "ui/reference/frmReference.h"
#ifdef PARVEX_HISTORY
#include "ui/history/frmHistory.h"
#endif

namespace parvex {

namespace {

// The design's fonts: "MS Sans Serif" where it exists, else a family with
// close metrics, else the system's sans font, so captions fit their controls.
QFont DesignFont(qreal points) {
  for (const char* family : {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial"}) {
    QFont font(QString::fromLatin1(family));
    font.setPointSizeF(points);
    if (QFontInfo(font).family() == font.family()) return font;
  }
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSizeF(points);
  return font;
}

QFont ControlFont() {
  return DesignFont(9.75);
}

// A push button whose caption wraps onto more lines when it is too wide, as
// the tall command buttons were designed for.
// Enter on a focused button presses it, as Space does; the keypad's Enter
// comes with the keypad's modifier.
class WrappingButton final : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() | Qt::KeypadModifier) == Qt::KeypadModifier) {
      if (!event->isAutoRepeat()) click();
      return;
    }
    QPushButton::keyPressEvent(event);
  }
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(), caption,
                         QPalette::ButtonText);
  }
};

}  // namespace

QString MainCaption() {
  return QString::fromLatin1(build::kAppTitle) + QLatin1Char('.') +
         QStringLiteral("%1").arg(build::kVersionRevision, 3, 10, QLatin1Char('0'));
}

frmMain::frmMain(WindowServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), cdlg_(services_.dialogs) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowIcon(ProgramIcon());
  // The file and printer dialogs open over this window, as its children.
  services_.dialogs.SetOwner(this);
  BuildControls();
  BuildMenus();
}

frmMain::~frmMain() {
  reference_.reset();
  services_.dialogs.SetOwner(nullptr);
  // The model watches list_, a member that is gone before the base class
  // deletes the children; let it go first.
  lvList->setModel(nullptr);
  if (filter_ != nullptr) filter_->setSourceModel(nullptr);
  delete model_;
  model_ = nullptr;
}

int frmMain::Dpi() const {
  return logicalDpiX() > 0 ? logicalDpiX() : 96;
}

void frmMain::Place(QWidget* widget, const TwipRect& r) const {
  const int dpi = Dpi();
  widget->setGeometry(TwipsToPixels(r.Left, dpi), TwipsToPixels(r.Top, dpi),
                      std::max(0, TwipsToPixels(r.Width, dpi)),
                      std::max(0, TwipsToPixels(r.Height, dpi)));
}

template <typename Widget>
Widget* frmMain::Put(Widget* widget, const char* name, const QFont& font,
                     const TwipRect& at) const {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setFont(font);
  Place(widget, at);
  return widget;
}

void frmMain::BuildControls() {
  // The window's standard font, for the controls the design gives no font of
  // their own. They get it explicitly, so as not to take the larger font of
  // the frame they sit in.
  setFont(DesignFont(8.25));
  central = new QWidget(this);
  central->setObjectName(QStringLiteral("central"));
  setCentralWidget(central);
  central->installEventFilter(this);
  BuildList();
  BuildFilesPane();
  BuildCommandPane();
  FinishControls();
  BuildStatusBar();

  connect(cmdSelect1, &QPushButton::clicked, this, &frmMain::cmdSelect1_Click);
  connect(cmdSelect2, &QPushButton::clicked, this, &frmMain::cmdSelect2_Click);
  connect(cmdStructure, &QPushButton::clicked, this, &frmMain::cmdStructure_Click);
  connect(cmdTwoArchives, &QPushButton::clicked, this, &frmMain::cmdTwoArchives_Click);
  connect(cmdSave, &QPushButton::clicked, this, &frmMain::cmdSave_Click);
  connect(cmdPrint, &QPushButton::clicked, this, &frmMain::cmdPrint_Click);

  BuildNoteBar();
  BuildListTools();
  AcceptDrops();

  // The design's inner area.
  resize(TwipsToPixels(6795, Dpi()), TwipsToPixels(6915, Dpi()));
}

void frmMain::BuildList() {
  lvList = Put(new QTreeView(central), "lvList", ControlFont(), layout_.lvList);
  lvList->setRootIsDecorated(false);
  lvList->setUniformRowHeights(true);
  lvList->setItemsExpandable(false);
  lvList->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvList->setIconSize(QSize(16, 16));
  lvList->setAccessibleName(QStringLiteral("Difference list"));
  model_ = new DifferenceModel(list_, this);
  lvList->setModel(model_);
  const float widths[] = {1000, 3500, 1440, 1440, 1440};
  for (int i = 0; i < DifferenceList::kColumnCount; ++i) {
    lvList->setColumnWidth(i, TwipsToPixels(widths[i], Dpi()));
  }
  lvList->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  lvList->header()->setStretchLastSection(false);
  // The columns stay in the order the reports print them.
  lvList->header()->setSectionsMovable(false);
}

void frmMain::BuildFilesPane() {
  const QFont font = ControlFont();
  fraFiles = Put(new QGroupBox(QStringLiteral("Archive Files"), central), "fraFiles", font,
                 layout_.fraFiles);
  lblArchive1 = Put(new QLabel(QStringLiteral("Archive 1"), fraFiles), "lblArchive1", font,
                    {120, 480, 855, 255});
  lblArchive2 = Put(new QLabel(QStringLiteral("Archive 2"), fraFiles), "lblArchive2", font,
                    {120, 960, 855, 255});
  txtArchive1 = Put(new QLineEdit(fraFiles), "txtArchive1", font, layout_.txtArchive1);
  txtArchive2 = Put(new QLineEdit(fraFiles), "txtArchive2", font, layout_.txtArchive2);
  cmdSelect2 = Put(new WrappingButton(QStringLiteral("Browse..."), fraFiles), "cmdSelect2", font,
                   layout_.cmdSelect2);
  cmdSelect1 = Put(new WrappingButton(QStringLiteral("Browse..."), fraFiles), "cmdSelect1", font,
                   layout_.cmdSelect1);
  // Screen readers name each field by its label.
  lblArchive1->setBuddy(txtArchive1);
  lblArchive2->setBuddy(txtArchive2);
  txtArchive1->setAccessibleName(QStringLiteral("Archive 1"));
  txtArchive2->setAccessibleName(QStringLiteral("Archive 2"));
  cmdSelect1->setAccessibleName(QStringLiteral("Browse for Archive 1"));
  cmdSelect2->setAccessibleName(QStringLiteral("Browse for Archive 2"));
}

void frmMain::BuildCommandPane() {
  const QFont large = ControlFont();
  const QFont standard = font();
  const auto frame = [&](const char* name, const char* caption, QWidget* parent,
                         const TwipRect& at) {
    return Put(new QGroupBox(QString::fromLatin1(caption), parent), name, standard, at);
  };
  // The command buttons share one size; a frame's second one sits lower.
  const auto button = [&](const char* name, const char* caption, QWidget* parent, float top) {
    return Put(new WrappingButton(QString::fromLatin1(caption), parent), name, large,
               {120, top, 2055, 615});
  };
  fraCommand = Put(new QGroupBox(QStringLiteral("Commands"), central), "fraCommand", large,
                   layout_.fraCommand);
  chkReadOnly = Put(new QCheckBox(QStringLiteral("Include Read Only Values"), fraCommand),
                    "chkReadOnly", standard, {240, 360, 2175, 255});
  Frame1 = frame("Frame1", "Structure", fraCommand, {120, 2040, 2295, 1935});
  txtStruct1 = Put(new QLineEdit(QStringLiteral("0"), Frame1), "txtStruct1", standard,
                   {1200, 1080, 975, 285});
  txtStruct2 = Put(new QLineEdit(QStringLiteral("0"), Frame1), "txtStruct2", standard,
                   {1200, 1440, 975, 285});
  lblStruct1 = Put(new QLabel(QStringLiteral("Structure 1"), Frame1), "lblStruct1", standard,
                   {120, 1080, 855, 255});
  lblStruct2 = Put(new QLabel(QStringLiteral("Structure 2"), Frame1), "lblStruct2", standard,
                   {120, 1440, 855, 255});
  cmdStructure = button("cmdStructure", "Compare Structures in Archive 1", Frame1, 360);
  Frame2 = frame("Frame2", "Two Archives", fraCommand, {120, 720, 2295, 1215});
  cmdTwoArchives = button("cmdTwoArchives", "Compare Two Archive Files", Frame2, 360);
  fraFunctions = frame("fraFunctions", "Functions", fraCommand, {120, 4080, 2295, 1815});
  cmdPrint = button("cmdPrint", "Print Difference List", fraFunctions, 360);
  cmdSave = button("cmdSave", "Save Difference List", fraFunctions, 1080);
  lblStruct1->setBuddy(txtStruct1);
  lblStruct2->setBuddy(txtStruct2);
  txtStruct1->setAccessibleName(QStringLiteral("Structure 1"));
  txtStruct2->setAccessibleName(QStringLiteral("Structure 2"));
}

void frmMain::FinishControls() {
  // A caption wider in this font than in the design's keeps its whole text:
  // the control grows within its frame; the font keeps its size.
  for (QWidget* w : {static_cast<QWidget*>(lblArchive1), static_cast<QWidget*>(lblArchive2),
                     static_cast<QWidget*>(lblStruct1), static_cast<QWidget*>(lblStruct2),
                     static_cast<QWidget*>(chkReadOnly)}) {
    const int room = w->parentWidget()->width() - w->x() - 4;
    w->resize(std::max(w->width(), std::min(room, w->sizeHint().width())), w->height());
  }
  // The keyboard order of the design.
  QWidget* order[] = {lvList,       txtArchive1,    txtArchive2, cmdSelect2,
                      cmdSelect1,   chkReadOnly,    txtStruct1,  txtStruct2,
                      cmdStructure, cmdTwoArchives, cmdPrint,    cmdSave};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  for (QWidget* w : {static_cast<QWidget*>(fraCommand), static_cast<QWidget*>(fraFiles),
                     static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Frame2),
                     static_cast<QWidget*>(fraFunctions)}) {
    w->setFocusPolicy(Qt::NoFocus);
  }
}

void frmMain::BuildStatusBar() {
  sbCompare = new QLabel(FieldText(list_.Status()));
  sbCompare->setObjectName(QStringLiteral("sbCompare"));
  sbCompare->setFont(ControlFont());
  statusBar()->setObjectName(QStringLiteral("sbCompareBar"));
  statusBar()->addWidget(sbCompare, 1);
  statusBar()->setFixedHeight(TwipsToPixels(kStatusBarHeight, Dpi()));
  statusBar()->setSizeGripEnabled(true);
  connect(model_, &DifferenceModel::statusChanged, sbCompare, &QLabel::setText);
  connect(model_, &DifferenceModel::cleared, this, [this] { listed_ = starting_; });
}

}  // namespace parvex
