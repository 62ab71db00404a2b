#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "UiSupport.h"
#include "engine/Failure.h"
#include "parvex/version.h"
#include "ui/frmSplash.h"
#include "ui/mAPI.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#endif

namespace parvex {
namespace {

using test::ReadBytes;
using test::RecordedErrors;
using test::TempDir;
using test::WindowFixture;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// Report lines without the one that carries the date.
std::string WithoutDate(const std::string& report) {
  std::string out;
  std::size_t start = 0;
  while (start < report.size()) {
    std::size_t end = report.find('\n', start);
    if (end == std::string::npos) end = report.size() - 1;
    const std::string line = report.substr(start, end - start + 1);
    if (line.find("Archive Report Created at ") != 0) out += line;
    start = end + 1;
  }
  return out;
}

std::string Capture(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

class Commands : public ::testing::Test {
 protected:
  void Compare(int rows) {
    std::string a;
    std::string b;
    for (int i = 1; i <= rows; ++i) {
      a += std::to_string(i) + ".1\tParam, \"" + std::to_string(i) + "\"\t" + std::to_string(i) +
           "\tmm\r\n";
      b += std::to_string(i) + ".1\tParam\t" + std::to_string(i + 1) + "\tmm\r\n";
    }
    archive1 = dir.Write("a.arc", a);
    archive2 = dir.Write("b.arc", b);
    window->txtArchive1->setText(Q(archive1));
    window->txtArchive2->setText(Q(archive2));
    window->cmdTwoArchives_Click();
    QApplication::processEvents();
  }

  RecordedErrors errors;
  TempDir dir;
  WindowFixture fixture{dir};
  std::unique_ptr<frmMain> window = fixture.Start();
  std::string archive1;
  std::string archive2;
};

TEST_F(Commands, SaveChoosesTheLayoutByTheNameAndMatchesTheCommandLine) {
  Compare(3);
  struct Case {
    std::string name;
    bool csv;
  };
  const Case cases[] = {
      {"r.txt", false}, {"r.csv", true}, {"Report", false}, {"r.CSV", false}, {"reportcsv", true}};
  for (const Case& c : cases) {
    fixture.dialogs.answers = {Q(dir.File(c.name))};
    QTest::mouseClick(window->cmdSave, Qt::LeftButton);
    const std::string saved = ReadBytes(dir.File(c.name));
    const std::string cli = Capture("'" PARVEX_CLI_PATH "' archives '" + archive1 + "' '" +
                                    archive2 + "'" + (c.csv ? " --csv" : "") + " 2>/dev/null");
    EXPECT_EQ(WithoutDate(saved), WithoutDate(cli)) << c.name;
    EXPECT_EQ(saved.find("\"Param, \"1\"\"") != std::string::npos, c.csv) << c.name;
  }
  const auto& call = fixture.dialogs.calls.front();
  EXPECT_EQ(call.kind, QStringLiteral("save"));
  EXPECT_EQ(call.title, QStringLiteral("Save Difference List"));
  EXPECT_EQ(call.fileName, QStringLiteral("Report"));
  EXPECT_EQ(call.filter, QStringLiteral("Text (*.txt)|*.txt| Comma Delimited (*.csv)|*.csv"));
  EXPECT_EQ(fixture.dialogs.calls.back().initDir, Q(dir.Path().string()));
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("SavePath")).ToText(), Q(dir.Path().string()));
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(Commands, SaveTitlesFollowTheLastComparisonChosen) {
  Compare(2);
  window->txtStruct1->setText(QStringLiteral("abc"));
  window->cmdStructure_Click();  // fails, but the titles now name structures
  fixture.dialogs.answers = {Q(dir.File("s.csv"))};
  window->cmdSave_Click();
  const std::string saved = ReadBytes(dir.File("s.csv"));
  EXPECT_NE(
      saved.find("Address,Description,Archive 1: " + archive1 + ",Structures abc and 1,Units\r\n"),
      std::string::npos)
      << saved;
}

TEST_F(Commands, SaveCancelAndFailures) {
  window->cmdSave_Click();
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0],
            (test::ShownMessage{"There is nothing to save!", build::kAppTitle, 48}));
  EXPECT_TRUE(fixture.dialogs.calls.empty());

  Compare(2);
  gRegistry->SaveItem(QStringLiteral("SavePath"), SettingValue::Text(QStringLiteral("/kept")));
  fixture.dialogs.answers = {std::nullopt};
  window->cmdSave_Click();
  EXPECT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("SavePath")).ToText(), QStringLiteral("/kept"));

  // A folder that does not exist: the message, the folder already remembered,
  // and the program still usable.
  fixture.dialogs.answers = {Q(dir.File("missing/r.txt")), Q(dir.File("ok.txt"))};
  window->cmdSave_Click();
  ASSERT_EQ(errors.Shown().size(), 2U);
  EXPECT_EQ(errors.Shown()[1].caption, "Error While Saving Report");
  EXPECT_EQ(errors.Shown()[1].prompt.rfind("Error 76: ", 0), 0U) << errors.Shown()[1].prompt;
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("SavePath")).ToText(), Q(dir.File("missing")));
  window->cmdSave_Click();
  EXPECT_FALSE(ReadBytes(dir.File("ok.txt")).empty());
  EXPECT_EQ(errors.Shown().size(), 2U);
}

int PdfPages(const std::string& pdf) {
  const std::string info = Capture("pdfinfo '" + pdf + "' 2>/dev/null");
  const auto at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

TEST_F(Commands, PrintWritesPagesOfFiftySevenRows) {
  if (Capture("command -v pdfinfo pdftotext").empty()) GTEST_SKIP() << "poppler-utils missing";
  for (const int rows : {1, 57, 58, 130}) {
    Compare(rows);
    const std::string pdf = dir.File("print-" + std::to_string(rows) + ".pdf");
    fixture.printer.setOutputFormat(QPrinter::PdfFormat);
    fixture.printer.setOutputFileName(Q(pdf));
    fixture.dialogs.answers = {QStringLiteral("ok")};
    QTest::mouseClick(window->cmdPrint, Qt::LeftButton);
    EXPECT_EQ(PdfPages(pdf), (rows + 56) / 57) << rows;
    const std::string text = Capture("pdftotext -layout '" + pdf + "' - 2>/dev/null");
    EXPECT_NE(text.find("Archive 1: " + archive1), std::string::npos);
    EXPECT_NE(text.find("Page " + std::to_string((rows + 56) / 57)), std::string::npos) << rows;
    EXPECT_NE(text.find(std::to_string(rows) + ".1"), std::string::npos) << rows;
  }
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(Commands, PrintWithNothingOrCancelled) {
  window->cmdPrint_Click();
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0].prompt, "There is nothing to print!");
  Compare(3);
  const std::string pdf = dir.File("never.pdf");
  fixture.printer.setOutputFormat(QPrinter::PdfFormat);
  fixture.printer.setOutputFileName(Q(pdf));
  fixture.dialogs.answers = {std::nullopt};
  window->cmdPrint_Click();
  EXPECT_FALSE(std::filesystem::exists(pdf));
  EXPECT_EQ(errors.Shown().size(), 1U);
}

TEST(Manual, NameFromTheVersion) {
  EXPECT_EQ(ManualFileName(QStringLiteral("/opt/p/bin"), 3, 12, 7),
            QStringLiteral("/opt/p/bin/Documentation/312_007.pdf"));
  EXPECT_EQ(ManualFileName(QStringLiteral("C:\\Parvex"), 1, 0, 1),
            QStringLiteral("C:\\Parvex/Documentation/10_001.pdf"));
  EXPECT_EQ(ManualFileName(QStringLiteral("/x"), 2, 1, 1234),
            QStringLiteral("/x/Documentation/21_1234.pdf"));
}

TEST(ShellOpenFile, CodesBecomeMessages) {
  struct Case {
    int code;
    QString message;
  };
  const Case cases[] = {{2, QStringLiteral("File Not Found")},
                        {3, QStringLiteral("Invalid Path")},
                        {31, QStringLiteral("No application found For this file")},
                        {6, QStringLiteral("Separate data segments are required For Each task ")},
                        {1, QStringLiteral("unchanged")},
                        {26, QStringLiteral("unchanged")},
                        {42, QStringLiteral("unchanged")}};
  for (const Case& c : cases) {
    QString folder;
    QString message = QStringLiteral("unchanged");
    ShellOpenFile(QStringLiteral("x.pdf"), folder, message,
                  [&c](const QString&, const QString&) { return c.code; });
    EXPECT_EQ(message, c.message) << c.code;
  }
  TempDir dir;
  EXPECT_EQ(DesktopShellExecute(Q(dir.File("missing.pdf")), QString()), 2);
  EXPECT_EQ(DesktopShellExecute(Q(dir.File("no/folder/missing.pdf")), QString()), 3);
}

TEST_F(Commands, DocumentationOpensTheManualOrSaysWhy) {
  window->mnuDoc->trigger();
  ASSERT_EQ(fixture.opened.size(), 1U);
  EXPECT_TRUE(fixture.opened[0].endsWith(QStringLiteral("/Documentation/10_001.pdf")));
  EXPECT_TRUE(errors.Shown().empty());
  fixture.shellResult = 2;
  window->mnuDoc->trigger();
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0], (test::ShownMessage{"File Not Found", build::kAppTitle, 48}));
}

TEST_F(Commands, AboutShowsProductVersionAndClosesWithEnterOrEscape) {
  for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
    bool closed = false;
    fixture.dialogs.onModal = [&](QDialog& dialog) {
      auto& splash = dynamic_cast<frmSplash&>(dialog);
      EXPECT_EQ(splash.lblVersion->text(), window->windowTitle());
      EXPECT_EQ(splash.lblCustomerName->text(), QStringLiteral("Parvex"));
      EXPECT_EQ(splash.lblCompanyProduct->text(), QStringLiteral("Brenlo HMI"));
      EXPECT_EQ(splash.lblPlatform->text(), QStringLiteral("Windows 9x/NT/2000/XP"));
      EXPECT_EQ(splash.size(), QSize(546, 382));
      EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
      EXPECT_EQ(splash.picLogo->pixmap().size(), QSize(546, 382));
      EXPECT_EQ(splash.lblBrenloInfo[6]->y(), TwipsToPixels(3360 + 210 * 6, 96));
      splash.show();
      QTest::keyClick(&splash, static_cast<Qt::Key>(key));
      closed = !splash.isVisible();
    };
    window->mnuAbout->trigger();
    EXPECT_TRUE(closed) << key;
  }
  EXPECT_EQ(fixture.dialogs.calls.back().title, QStringLiteral("frmSplash"));
}

TEST_F(Commands, ExitClosesAndSavesTheInputs) {
  window->txtArchive1->setText(QStringLiteral("kept.arc"));
  window->mnuExit->trigger();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("Archive1")).ToText(), QStringLiteral("kept.arc"));
}

}  // namespace
}  // namespace parvex
