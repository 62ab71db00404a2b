#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <tuple>

#include "UiSupport.h"
#include "engine/base/Failure.h"
#include "parvex/version.h"
#include "ui/main/frmSplash.h"
#include "ui/main/mAPI.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#endif

namespace parvex::test {
namespace {

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

class Commands : public MainWindowTest {
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
    QProcess run;
    run.start(QString::fromUtf8(PARVEX_CLI_PATH),
              QStringList{QStringLiteral("archives"), Q(archive1), Q(archive2)} +
                  (c.csv ? QStringList{QStringLiteral("--csv")} : QStringList{}));
    ASSERT_TRUE(run.waitForFinished(30000)) << c.name;
    const std::string cli = run.readAllStandardOutput().toStdString();
    EXPECT_EQ(WithoutDate(saved), WithoutDate(cli)) << c.name;
    EXPECT_EQ(saved.find("\"Param, \"1\"\"") != std::string::npos, c.csv) << c.name;
  }
  const auto& call = fixture.dialogs.calls.front();
  EXPECT_EQ(call.kind, QStringLiteral("save"));
  EXPECT_EQ(call.title, QStringLiteral("Save Difference List"));
  EXPECT_EQ(call.fileName, QStringLiteral("Report"));
  EXPECT_EQ(call.filter, QStringLiteral("Text (*.txt)|*.txt| Comma Delimited (*.csv)|*.csv|Web "
                                        "Page (*.html)|*.html|JSON (*.json)|*.json"));
  EXPECT_EQ(fixture.dialogs.calls.back().initDir, Q(dir.Path().string()));
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("SavePath")).ToText(), Q(dir.Path().string()));
  EXPECT_TRUE(errors.Shown().empty());

  // A name ending in json, html or htm gets that layout, as with -o.
  const std::pair<const char*, const char*> web[] = {{"r.json", "\"report\": \"differences\""},
                                                     {"r.html", "<!DOCTYPE html>"},
                                                     {"r.htm", "<!DOCTYPE html>"},
                                                     {"r.JSON", "Archive Report Created at"}};
  for (const auto& [name, starts] : web) {
    fixture.dialogs.answers = {Q(dir.File(name))};
    window->cmdSave_Click();
    EXPECT_NE(ReadBytes(dir.File(name)).find(starts), std::string::npos) << name;
  }
  EXPECT_TRUE(errors.Shown().empty());
}

// The titles name the inputs of the comparison whose rows the list holds,
// whatever the fields say since, and whichever comparison failed since.
TEST_F(Commands, SaveTitlesNameTheComparisonThatFilledTheList) {
  const std::string structures = dir.Write("s.arc", "3.1\ta\t1\tu\n7.1\ta\t2\tu\n5.1\ta\t1\tu\n");
  const std::string missing = dir.File("missing.arc");
  struct Case {
    const char* what;
    std::function<void()> steps;
    std::string titles;  // the report's column line
  };
  const auto archives = [&] { return "Archive 1: " + archive1 + ",Archive 2: " + archive2; };
  const Case cases[] = {
      {"fields unchanged", [&] { Compare(2); }, ""},
      {"archive 2 changed to a missing file, compared again",
       [&] {
         Compare(2);
         window->txtArchive2->setText(Q(missing));
         window->cmdTwoArchives_Click();
       },
       ""},
      {"structure number that is no number",
       [&] {
         Compare(2);
         window->txtStruct1->setText(QStringLiteral("abc"));
         window->cmdStructure_Click();
       },
       ""},
      {"structures compared, then a field changed",
       [&] {
         window->txtArchive1->setText(Q(structures));
         window->txtStruct1->setText(QStringLiteral("3"));
         window->txtStruct2->setText(QStringLiteral("7"));
         window->cmdStructure_Click();
         window->txtStruct1->setText(QStringLiteral("5"));
         window->txtArchive1->setText(Q(missing));
       },
       "Archive 1: " + structures + ",Structures 3 and 7"},
  };
  for (const Case& c : cases) {
    c.steps();
    const std::string report = dir.File("titles.csv");
    fixture.dialogs.answers = {Q(report)};
    window->cmdSave_Click();
    const std::string expected = c.titles.empty() ? archives() : c.titles;
    EXPECT_NE(ReadBytes(report).find("\r\nAddress,Description," + expected + ",Units\r\n"),
              std::string::npos)
        << c.what << "\n"
        << ReadBytes(report);
  }

  // The options that made the list, even when changed since.
  window->mnuMatchByAddress->trigger();
  window->mnuNumbersByValue->trigger();
  Compare(2);
  window->mnuMatchByAddress->trigger();
  window->mnuNumbersByValue->trigger();
  const std::string report = dir.File("options.csv");
  fixture.dialogs.answers = {Q(report)};
  window->cmdSave_Click();
  EXPECT_NE(ReadBytes(report).find(archives() + " (matched by address) (numbers by value),Units"),
            std::string::npos)
      << ReadBytes(report);
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

  // A save over a compared archive, by any name, asks nothing: it is refused.
  const std::string before = ReadBytes(archive2);
  fixture.dialogs.answers = {Q(dir.File("./b.arc"))};
  window->cmdSave_Click();
  ASSERT_EQ(errors.Shown().size(), 3U);
  EXPECT_EQ(errors.Shown()[2].caption, "Error While Saving Report");
  EXPECT_NE(errors.Shown()[2].prompt.find("would replace '" + archive2 + "'"), std::string::npos)
      << errors.Shown()[2].prompt;
  EXPECT_EQ(ReadBytes(archive2), before);
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

// The desktop's own folders, replaced for the test's life by empty ones.
class DesktopEnvironment {
 public:
  explicit DesktopEnvironment(const TempDir& dir) : dir_(dir) {
    for (const char* name : kNames)
      saved_.emplace_back(name, qgetenv(name), qEnvironmentVariableIsSet(name));
    for (const char* name : kNames) qunsetenv(name);
    qputenv("HOME", dir.File("home").c_str());
    qputenv("XDG_DATA_HOME", dir.File("data").c_str());
    qputenv("XDG_DATA_DIRS", dir.File("data").c_str());
    qputenv("XDG_CONFIG_HOME", dir.File("config").c_str());
    qputenv("XDG_CONFIG_DIRS", dir.File("config").c_str());
    // xdg-open looks for desktop applications only when there is a display.
    qputenv("DISPLAY", ":0");
  }
  ~DesktopEnvironment() {
    for (const auto& [name, value, set] : saved_) {
      if (set) {
        qputenv(name, value);
      } else {
        qunsetenv(name);
      }
    }
  }
  DesktopEnvironment(const DesktopEnvironment&) = delete;
  DesktopEnvironment& operator=(const DesktopEnvironment&) = delete;

  // Registers a viewer for PDF files that writes the path it was given into marker.
  void AddViewer(const std::string& marker) const {
    const std::string viewer =
        dir_.Write("viewer.sh", "#!/bin/sh\necho \"$1\" > '" + marker + "'\n");
    std::filesystem::permissions(viewer, std::filesystem::perms::owner_all);
    dir_.Write("data/applications/viewer.desktop",
               "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" + viewer +
                   " %f\nMimeType=application/pdf;\n");
    dir_.Write("config/mimeapps.list", "[Default Applications]\napplication/pdf=viewer.desktop\n");
  }

 private:
  static constexpr const char* kNames[] = {"HOME",
                                           "XDG_DATA_HOME",
                                           "XDG_DATA_DIRS",
                                           "XDG_CONFIG_HOME",
                                           "XDG_CONFIG_DIRS",
                                           "DISPLAY",
                                           "XDG_CURRENT_DESKTOP",
                                           "DESKTOP_SESSION",
                                           "KDE_FULL_SESSION",
                                           "GNOME_DESKTOP_SESSION_ID",
                                           "BROWSER"};
  const TempDir& dir_;
  std::vector<std::tuple<const char*, QByteArray, bool>> saved_;
};

#ifdef Q_OS_LINUX
TEST(DesktopShellExecute, NoViewerIsCode31AndAViewerOpensTheFile) {
  if (Capture("command -v xdg-open xdg-mime").empty()) GTEST_SKIP() << "xdg-utils missing";
  TempDir dir;
  const std::string manual = dir.Write("Documentation/10_001.pdf", "%PDF-1.4\n%%EOF\n");
  const std::string marker = dir.File("opened");
  DesktopEnvironment desktop(dir);
  QString folder;
  QString message;
  ShellOpenFile(Q(manual), folder, message);
  EXPECT_EQ(message, QStringLiteral("No application found For this file"));

  // A default application whose desktop file does not exist is none either.
  dir.Write("data/applications/defaults.list",
            "[Default Applications]\napplication/pdf=gone.desktop\n");
  ASSERT_EQ(Capture("xdg-mime query default application/pdf"), "gone.desktop\n");
  message.clear();
  ShellOpenFile(Q(manual), folder, message);
  EXPECT_EQ(message, QStringLiteral("No application found For this file"));

  desktop.AddViewer(marker);
  message.clear();
  ShellOpenFile(Q(manual), folder, message);
  EXPECT_EQ(message, QString());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !ReadBytes(marker).empty(); }, 10000));
  EXPECT_EQ(ReadBytes(marker), manual + "\n");
}
#endif

// The names the file dialog lists in its folder.
QStringList Listed(const QFileDialog& dialog) {
  const auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
  QStringList names;
  if (view == nullptr || view->model() == nullptr) return names;
  const QModelIndex root = view->rootIndex();
  for (int row = 0; row < view->model()->rowCount(root); ++row) {
    names << view->model()->index(row, 0, root).data().toString();
  }
  names.sort();
  return names;
}

// The Open and Save dialogs belong to the window, show the program's filter
// captions as they are, and "(*.*)" lists names without a dot too.
TEST(FileDialogs, CaptionsPatternsAndOwner) {
  TempDir dir;
  for (const char* name : {"README", "a.txt", "b.csv"}) dir.Write(name, "x");
  QPrinter printer;
  QtDialogs dialogs(nullptr, printer);
  frmMain window(WindowServices{dialogs, printer});
  struct Case {
    bool save;
    QString filter;
    QStringList captions;
    QStringList listed;
  };
  const Case cases[] = {
      {false,
       QStringLiteral("(*.*)|*.*"),
       {QStringLiteral("(*.*)")},
#ifdef Q_OS_WIN
       // Windows' own dialog reads "*.*" as every name; the one offscreen does not.
       {QStringLiteral("a.txt"), QStringLiteral("b.csv")}},
#else
       {QStringLiteral("README"), QStringLiteral("a.txt"), QStringLiteral("b.csv")}},
#endif
      {true,
       QStringLiteral("Text (*.txt)|*.txt| Comma Delimited (*.csv)|*.csv"),
       {QStringLiteral("Text (*.txt)"), QStringLiteral("Comma Delimited (*.csv)")},
       {QStringLiteral("a.txt")}},
  };
  for (const Case& c : cases) {
    const auto dialog = dialogs.FileDialog(c.save, QStringLiteral("t"), Q(dir.Path().string()),
                                           QStringLiteral("Report"), c.filter);
    EXPECT_EQ(dialog->parentWidget(), &window);
    const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    QStringList captions;
    for (int i = 0; i < types->count(); ++i) captions << types->itemText(i);
    EXPECT_EQ(captions, c.captions);
    static_cast<void>(QTest::qWaitFor([&] { return Listed(*dialog) == c.listed; }, 5000));
    EXPECT_EQ(Listed(*dialog), c.listed) << c.filter.toStdString();
  }
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

}  // namespace
}  // namespace parvex::test
