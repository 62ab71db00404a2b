// The command buttons: choosing archives, comparing, saving and printing.
#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>

#include "engine/base/ErrorReport.h"
#include "engine/base/OutputFile.h"
#include "engine/base/Path.h"
#include "engine/pairing/Compare.h"
#include "engine/reading/TextStream.h"
#include "engine/values/Numbers.h"
#include "engine/values/Rules.h"
#include "parvex/version.h"
#include "reports/layouts/SaveReport.h"
#include "ui/common/CodePage.h"
#include "ui/common/StoredSettings.h"
#include "ui/main/PrinterDestination.h"
#include "ui/main/frmMain.h"

namespace parvex {

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
    if (!StartComparison(true)) return;
    const QString archive = txtArchive1->text();
    const QString text1 = txtStruct1->text();
    const QString text2 = txtStruct2->text();
    const QString point = QLocale().decimalPoint();
    const char decimal = point.size() == 1 && point[0].unicode() < 0x80
                             ? static_cast<char>(point[0].unicode())
                             : '.';
    const std::int16_t s1 = StructureNumber(text1.toStdString(), decimal);
    const std::int16_t s2 = StructureNumber(text2.toStdString(), decimal);
    CompareStructures(PathBytes(archive), s1, s2, list_, starting_.options, &notes_);
    QStringList texts;
    for (const std::string& note : PairingNoteTexts(notes_)) texts << FieldText(note);
    ShowNotes(texts);
  } catch (...) {
    ReportVBError("Error With Structure Parameters");
  }
}

void frmMain::cmdTwoArchives_Click() {
  try {
    if (!StartComparison(false)) return;
    CompareArchives(PathBytes(txtArchive1->text()), PathBytes(txtArchive2->text()), list_,
                    starting_.options, &notes_);
    QStringList texts;
    for (const std::string& note : PairingNoteTexts(notes_)) texts << FieldText(note);
    ShowNotes(texts);
  } catch (...) {
    ReportVBError("Error With Structure Parameters");
  }
}

bool frmMain::StartComparison(bool structureMode) {
  structureMode_ = structureMode;
  starting_ = {structureMode,
               txtArchive1->text(),
               txtArchive2->text(),
               txtStruct1->text(),
               txtStruct2->text(),
               Options(),
               nullptr};
  if (!ReadRules(starting_)) return false;
  // Notes speak of the comparison before; this one may give its own.
  ShowNotes({});
  return true;
}

std::vector<std::string> frmMain::ListedInputs() const {
  std::vector<std::string> paths{PathBytes(listed_.archive1)};
  if (!listed_.structureMode) paths.push_back(PathBytes(listed_.archive2));
  if (listed_.rules) paths.push_back(listed_.rules->Path());
  return paths;
}

ReportTitles frmMain::CurrentTitles() const {
  // The file system's bytes: a path in a title names its file exactly.
  return MakeReportTitles(listed_.structureMode, PathBytes(listed_.archive1),
                          PathBytes(listed_.archive2), PathBytes(listed_.struct1),
                          PathBytes(listed_.struct2), listed_.options);
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
    cdlg_.Filter = QStringLiteral(
        "Text (*.txt)|*.txt| Comma Delimited (*.csv)|*.csv|Web Page (*.html)|*.html|JSON "
        "(*.json)|*.json");
    cdlg_.CancelError = true;
    cdlg_.ShowSave();
    const QString chosen = cdlg_.FileName;
    // The folder is remembered before the file is made.
    Registry().SaveItem(QStringLiteral("SavePath"),
                        SettingValue::Text(PathText(GetPath(PathBytes(chosen)))));
    const std::string path = PathBytes(chosen);
    // A report never takes the place of a file it was made from.
    CheckReportTarget(path, ListedInputs());
    // The name's ending chooses the layout; every layout is written whole or
    // not at all: the old file stays when the report fails part-way.
    SaveReport(path, ChooseLayout(path, std::nullopt, Layout::Page), list_, CurrentTitles());
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

}  // namespace parvex
