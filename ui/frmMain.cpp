#include "ui/frmMain.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTreeView>

#include "engine/Compare.h"
#include "engine/ErrorReport.h"
#include "engine/Failure.h"
#include "engine/Numbers.h"
#include "engine/Path.h"
#include "engine/TextStream.h"
#include "parvex/version.h"
#include "settings/Catalogue.h"
#include "ui/CodePage.h"
#include "ui/DifferenceModel.h"
#include "ui/PrinterDestination.h"
#include "ui/frmSplash.h"

namespace parvex {

namespace {

// The store, or the run time's failure for an object that is not set.
clsRegistry& Registry() {
  if (!gRegistry) throw Failure(91, "Object variable or With block variable not set");
  return *gRegistry;
}

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
class WrappingButton final : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
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

template <typename Fn>
void SkipOnFailure(Fn&& step) {
  try {
    step();
  } catch (...) {
    // The close and resize handlers skip a failing step silently.
  }
}

}  // namespace

QString MainCaption() {
  return QString::fromLatin1(build::kAppTitle) + QLatin1Char('.') +
         QStringLiteral("%1").arg(build::kVersionRevision, 3, 10, QLatin1Char('0'));
}

frmMain::frmMain(WindowServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), cdlg_(services_.dialogs) {
  setObjectName(QStringLiteral("frmMain"));
  BuildControls();
  BuildMenus();
}

frmMain::~frmMain() {
  // The model watches list_, a member that is gone before the base class
  // deletes the children; let it go first.
  lvList->setModel(nullptr);
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

void frmMain::BuildControls() {
  // The window's standard font, for the controls the design gives no font.
  setFont(DesignFont(8.25));
  central = new QWidget(this);
  central->setObjectName(QStringLiteral("central"));
  setCentralWidget(central);
  central->installEventFilter(this);
  const QFont controlFont = ControlFont();

  const auto frame = [&](const char* name, const QString& caption, QWidget* parent,
                         const TwipRect& r, bool ownFont) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    if (ownFont) box->setFont(controlFont);
    Place(box, r);
    return box;
  };
  const auto button = [&](const char* name, const QString& caption, QWidget* parent,
                          const TwipRect& r) {
    auto* b = new WrappingButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFont(controlFont);
    b->setAutoDefault(false);
    Place(b, r);
    return b;
  };
  const auto label = [&](const char* name, const QString& caption, QWidget* parent,
                         const TwipRect& r, bool ownFont) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    if (ownFont) l->setFont(controlFont);
    Place(l, r);
    return l;
  };
  const auto field = [&](const char* name, const QString& text, QWidget* parent, const TwipRect& r,
                         bool ownFont) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    if (ownFont) e->setFont(controlFont);
    Place(e, r);
    return e;
  };

  lvList = new QTreeView(central);
  lvList->setObjectName(QStringLiteral("lvList"));
  lvList->setFont(controlFont);
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
  Place(lvList, layout_.lvList);

  fraCommand = frame("fraCommand", QStringLiteral("Commands"), central, layout_.fraCommand, true);
  fraFiles = frame("fraFiles", QStringLiteral("Archive Files"), central, layout_.fraFiles, true);
  lblArchive1 =
      label("lblArchive1", QStringLiteral("Archive 1"), fraFiles, {120, 480, 855, 255}, true);
  lblArchive2 =
      label("lblArchive2", QStringLiteral("Archive 2"), fraFiles, {120, 960, 855, 255}, true);
  txtArchive1 = field("txtArchive1", QString(), fraFiles, layout_.txtArchive1, true);
  txtArchive2 = field("txtArchive2", QString(), fraFiles, layout_.txtArchive2, true);
  cmdSelect2 = button("cmdSelect2", QStringLiteral("Browse..."), fraFiles, layout_.cmdSelect2);
  cmdSelect1 = button("cmdSelect1", QStringLiteral("Browse..."), fraFiles, layout_.cmdSelect1);
  chkReadOnly = new QCheckBox(QStringLiteral("Include Read Only Values"), fraCommand);
  chkReadOnly->setObjectName(QStringLiteral("chkReadOnly"));
  Place(chkReadOnly, {240, 360, 2175, 255});
  Frame1 = frame("Frame1", QStringLiteral("Structure"), fraCommand, {120, 2040, 2295, 1935}, false);
  txtStruct1 = field("txtStruct1", QStringLiteral("0"), Frame1, {1200, 1080, 975, 285}, false);
  txtStruct2 = field("txtStruct2", QStringLiteral("0"), Frame1, {1200, 1440, 975, 285}, false);
  lblStruct1 =
      label("lblStruct1", QStringLiteral("Structure 1"), Frame1, {120, 1080, 855, 255}, false);
  lblStruct2 =
      label("lblStruct2", QStringLiteral("Structure 2"), Frame1, {120, 1440, 855, 255}, false);
  cmdStructure = button("cmdStructure", QStringLiteral("Compare Structures in Archive 1"), Frame1,
                        {120, 360, 2055, 615});
  Frame2 =
      frame("Frame2", QStringLiteral("Two Archives"), fraCommand, {120, 720, 2295, 1215}, false);
  cmdTwoArchives = button("cmdTwoArchives", QStringLiteral("Compare Two Archive Files"), Frame2,
                          {120, 360, 2055, 615});
  fraFunctions = frame("fraFunctions", QStringLiteral("Functions"), fraCommand,
                       {120, 4080, 2295, 1815}, false);
  cmdPrint = button("cmdPrint", QStringLiteral("Print Difference List"), fraFunctions,
                    {120, 360, 2055, 615});
  cmdSave = button("cmdSave", QStringLiteral("Save Difference List"), fraFunctions,
                   {120, 1080, 2055, 615});

  // A caption wider in this font than in the design's keeps its whole text:
  // the control grows within its frame, and where the frame is too narrow the
  // font steps down a little.
  for (QWidget* w : {static_cast<QWidget*>(lblArchive1), static_cast<QWidget*>(lblArchive2),
                     static_cast<QWidget*>(lblStruct1), static_cast<QWidget*>(lblStruct2),
                     static_cast<QWidget*>(chkReadOnly)}) {
    const int room = w->parentWidget()->width() - w->x() - 4;
    QFont font = w->font();
    while (w->sizeHint().width() > room && font.pointSizeF() > 7.0) {
      font.setPointSizeF(font.pointSizeF() - 0.25);
      w->setFont(font);
    }
    w->resize(std::max(w->width(), std::min(room, w->sizeHint().width())), w->height());
  }

  // Screen readers name each field by its label.
  lblArchive1->setBuddy(txtArchive1);
  lblArchive2->setBuddy(txtArchive2);
  lblStruct1->setBuddy(txtStruct1);
  lblStruct2->setBuddy(txtStruct2);
  txtArchive1->setAccessibleName(QStringLiteral("Archive 1"));
  txtArchive2->setAccessibleName(QStringLiteral("Archive 2"));
  txtStruct1->setAccessibleName(QStringLiteral("Structure 1"));
  txtStruct2->setAccessibleName(QStringLiteral("Structure 2"));
  cmdSelect1->setAccessibleName(QStringLiteral("Browse for Archive 1"));
  cmdSelect2->setAccessibleName(QStringLiteral("Browse for Archive 2"));

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

  sbCompare = new QLabel(FromArchiveBytes(list_.Status()));
  sbCompare->setObjectName(QStringLiteral("sbCompare"));
  sbCompare->setFont(controlFont);
  statusBar()->setObjectName(QStringLiteral("sbCompareBar"));
  statusBar()->addWidget(sbCompare, 1);
  statusBar()->setFixedHeight(TwipsToPixels(kStatusBarHeight, Dpi()));
  statusBar()->setSizeGripEnabled(true);
  connect(model_, &DifferenceModel::statusChanged, sbCompare, &QLabel::setText);

  connect(cmdSelect1, &QPushButton::clicked, this, &frmMain::cmdSelect1_Click);
  connect(cmdSelect2, &QPushButton::clicked, this, &frmMain::cmdSelect2_Click);
  connect(cmdStructure, &QPushButton::clicked, this, &frmMain::cmdStructure_Click);
  connect(cmdTwoArchives, &QPushButton::clicked, this, &frmMain::cmdTwoArchives_Click);
  connect(cmdSave, &QPushButton::clicked, this, &frmMain::cmdSave_Click);
  connect(cmdPrint, &QPushButton::clicked, this, &frmMain::cmdPrint_Click);

  // The design's inner area.
  resize(TwipsToPixels(6795, Dpi()), TwipsToPixels(6915, Dpi()));
}

void frmMain::BuildMenus() {
  mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  mnuExit = mnuFile->addAction(QStringLiteral("E&xit"));
  mnuExit->setObjectName(QStringLiteral("mnuExit"));
  mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
  mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  mnuDoc = mnuHelp->addAction(QStringLiteral("&Documentation"));
  mnuDoc->setObjectName(QStringLiteral("mnuDoc"));
  mnuAbout = mnuHelp->addAction(QStringLiteral("&About"));
  mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
  connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
  connect(mnuDoc, &QAction::triggered, this, &frmMain::mnuDoc_Click);
  connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

bool frmMain::IncludeReadOnly() const {
  return chkReadOnly->checkState() != Qt::Unchecked;
}

void frmMain::SelectArchive(const QString& title, QLineEdit* field) {
  try {
    cdlg_.CancelError = true;
    cdlg_.DialogTitle = title;
    cdlg_.InitDir = Registry().GetItem(QStringLiteral("SavePath")).ToText();
    cdlg_.Filter = QStringLiteral("(*.*)|*.*");
    cdlg_.ShowOpen();
    field->setText(cdlg_.FileName);
    const std::string folder = GetPath(PathBytes(cdlg_.FileName));
    Registry().SaveItem(QStringLiteral("SavePath"), SettingValue::Text(PathText(folder)));
  } catch (...) {
    ReportVBError("Error While Processing Toolbar", kErrCancel);
  }
}

void frmMain::cmdSelect1_Click() {
  SelectArchive(QStringLiteral("Select Archive 1"), txtArchive1);
}
void frmMain::cmdSelect2_Click() {
  SelectArchive(QStringLiteral("Select Archive 2"), txtArchive2);
}

void frmMain::cmdStructure_Click() {
  try {
    structureMode_ = true;
    const QString archive = txtArchive1->text();
    const QString text1 = txtStruct1->text();
    const QString text2 = txtStruct2->text();
    const QString point = QLocale().decimalPoint();
    const char decimal = point.size() == 1 && point[0].unicode() < 0x80
                             ? static_cast<char>(point[0].unicode())
                             : '.';
    const std::int16_t s1 = StructureNumber(text1.toStdString(), decimal);
    const std::int16_t s2 = StructureNumber(text2.toStdString(), decimal);
    CompareStructures(PathBytes(archive), s1, s2, list_, IncludeReadOnly());
  } catch (...) {
    ReportVBError("Error With Structure Parameters");
  }
}

void frmMain::cmdTwoArchives_Click() {
  try {
    structureMode_ = false;
    CompareArchives(PathBytes(txtArchive1->text()), PathBytes(txtArchive2->text()), list_,
                    IncludeReadOnly());
  } catch (...) {
    ReportVBError("Error With Structure Parameters");
  }
}

ReportTitles frmMain::CurrentTitles() const {
  // The file system's bytes: a path in a title names its file exactly.
  return MakeReportTitles(structureMode_, PathBytes(txtArchive1->text()),
                          PathBytes(txtArchive2->text()), PathBytes(txtStruct1->text()),
                          PathBytes(txtStruct2->text()));
}

void frmMain::cmdSave_Click() {
  try {
    if (list_.Count() == 0) {
      MsgBox("There is nothing to save!", kMsgExclamation, build::kAppTitle);
      return;
    }
    cdlg_.DialogTitle = QStringLiteral("Save Difference List");
    cdlg_.InitDir = Registry().GetItem(QStringLiteral("SavePath")).ToText();
    cdlg_.FileName = QStringLiteral("Report");
    cdlg_.Filter = QStringLiteral("Text (*.txt)|*.txt| Comma Delimited (*.csv)|*.csv");
    cdlg_.CancelError = true;
    cdlg_.ShowSave();
    const QString chosen = cdlg_.FileName;
    // The folder is remembered before the file is made.
    Registry().SaveItem(QStringLiteral("SavePath"),
                        SettingValue::Text(PathText(GetPath(PathBytes(chosen)))));
    const auto stream = OpenTextStream(PathBytes(chosen), kCreateForWriting);
    if (!stream) return;
    const ReportTitles titles = CurrentTitles();
    // Only the name's last three characters decide the layout.
    const bool csv = chosen.endsWith(QStringLiteral("csv"), Qt::CaseSensitive);
    TextFileDestination destination(*stream);
    WriteReport(destination, csv, list_, titles.Title1, titles.Title2);
  } catch (...) {
    ReportVBError("Error While Saving Report", kErrCancel);
  }
}

void frmMain::cmdPrint_Click() {
  try {
    if (list_.Count() == 0) {
      MsgBox("There is nothing to print!", kMsgExclamation, build::kAppTitle);
      return;
    }
    cdlg_.CancelError = true;
    cdlg_.ShowPrinter();
    const ReportTitles titles = CurrentTitles();
    PrinterDestination destination(services_.printer);
    WriteReport(destination, false, list_, titles.Title1, titles.Title2);
  } catch (...) {
    ReportVBError("Error While Setting Up Printing", kErrCancel);
  }
}

void frmMain::mnuExit_Click() {
  close();
}

void frmMain::mnuDoc_Click() {
  const QString manual =
      ManualFileName(QCoreApplication::applicationDirPath(), build::kVersionMajor,
                     build::kVersionMinor, build::kVersionRevision);
  QString folder;
  QString message;
  ShellOpenFile(manual, folder, message, services_.shell);
  if (!message.isEmpty()) MsgBox(message.toStdString(), kMsgExclamation, build::kAppTitle);
}

void frmMain::mnuAbout_Click() {
  frmSplash splash;
  services_.dialogs.ShowModal(splash);
}

void frmMain::Show() {
  Form_Load();
  if (wantMaximized_) {
    showMaximized();
  } else {
    show();
  }
}

void frmMain::Form_Load() {
  setWindowTitle(MainCaption());
  const auto number = [](const char* name, std::int32_t fallback) {
    try {
      return Registry().GetItem(QString::fromLatin1(name)).ToInt32();
    } catch (...) {
      return fallback;
    }
  };
  const auto text = [](const char* name) {
    try {
      return Registry().GetItem(QString::fromLatin1(name)).ToText();
    } catch (...) {
      return QString();
    }
  };
  const int dpi = Dpi();
  const std::int32_t left = number("MainLeft", 0);
  const std::int32_t top = number("MainTop", 0);
  std::int32_t width = number("MainWidth", 10000);
  std::int32_t height = number("MainHeight", 10000);
  // Sizes the window cannot take fall back to the defaults.
  if (width < 0) width = 10000;
  if (height < 0) height = 10000;
  move(TwipsToPixels(static_cast<float>(left), dpi), TwipsToPixels(static_cast<float>(top), dpi));
  pendingOuterSize_ = QSize(TwipsToPixels(static_cast<float>(width), dpi),
                            TwipsToPixels(static_cast<float>(height), dpi));
  resize(pendingOuterSize_);
  wantMaximized_ = number("MainMax", 0) == 1;

  const std::int32_t readOnly = number("ReadOnly", 0);
  if (readOnly == 2) {
    chkReadOnly->setTristate(true);
    chkReadOnly->setCheckState(Qt::PartiallyChecked);
  } else {
    chkReadOnly->setCheckState(readOnly == 1 ? Qt::Checked : Qt::Unchecked);
  }
  txtArchive1->setText(text("Archive1"));
  txtArchive2->setText(text("Archive2"));
  txtStruct1->setText(QString::number(number("Struct1", 0)));
  txtStruct2->setText(QString::number(number("Struct2", 1)));
}

void frmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  ApplyOuterSize();
}

void frmMain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) ApplyOuterSize();
}

void frmMain::ApplyOuterSize() {
  // The stored size is the outer one; once the window shows in its normal
  // state and its frame is known, the frame is taken off.
  if (!pendingOuterSize_.isValid() || isMaximized() || isMinimized() || !isVisible()) return;
  const QSize frame = frameGeometry().size() - geometry().size();
  if (frame.width() > 0 || frame.height() > 0) resize(pendingOuterSize_ - frame);
  pendingOuterSize_ = QSize();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == central && event->type() == QEvent::Resize) Form_Resize();
  return QMainWindow::eventFilter(watched, event);
}

void frmMain::Form_Resize() {
  const int dpi = Dpi();
  const float width = PixelsToTwips(central->width(), dpi);
  const float height = PixelsToTwips(central->height() + statusBar()->height(), dpi);
  const float status = PixelsToTwips(statusBar()->height(), dpi);
  SkipOnFailure([&] { layout_ = LayoutForInnerSize(layout_, width, height, status); });
  ApplyLayout();
}

void frmMain::ApplyLayout() {
  Place(fraCommand, layout_.fraCommand);
  Place(fraFiles, layout_.fraFiles);
  Place(cmdSelect1, layout_.cmdSelect1);
  Place(cmdSelect2, layout_.cmdSelect2);
  Place(txtArchive1, layout_.txtArchive1);
  Place(txtArchive2, layout_.txtArchive2);
  Place(lvList, layout_.lvList);
}

void frmMain::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

void frmMain::Form_Unload() {
  const auto save = [](const char* name, const SettingValue& value) {
    SkipOnFailure([&] { Registry().SaveItem(QString::fromLatin1(name), value); });
  };
  const int state = chkReadOnly->checkState() == Qt::Checked            ? 1
                    : chkReadOnly->checkState() == Qt::PartiallyChecked ? 2
                                                                        : 0;
  save("ReadOnly", SettingValue::Int32(state));
  save("Archive1", SettingValue::Text(txtArchive1->text()));
  save("Archive2", SettingValue::Text(txtArchive2->text()));
  // A structure field holding no number cannot be stored and keeps the
  // earlier stored value.
  save("Struct1", SettingValue::Text(txtStruct1->text()));
  save("Struct2", SettingValue::Text(txtStruct2->text()));
  if (isMinimized()) return;
  if (isMaximized()) {
    save("MainMax", SettingValue::Int32(1));
    return;
  }
  const int dpi = Dpi();
  const QRect outer = frameGeometry();
  save("MainMax", SettingValue::Int32(0));
  save("MainLeft", SettingValue::Single(PixelsToTwips(outer.x(), dpi)));
  save("MainTop", SettingValue::Single(PixelsToTwips(outer.y(), dpi)));
  save("MainWidth", SettingValue::Single(PixelsToTwips(outer.width(), dpi)));
  save("MainHeight", SettingValue::Single(PixelsToTwips(outer.height(), dpi)));
}

}  // namespace parvex
