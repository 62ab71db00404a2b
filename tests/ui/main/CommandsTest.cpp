#include <cstdlib>

#include "UiSupport.h"
#include "ui/main/frmSplash.h"
#include "ui/main/mAPI.h"

namespace parvex::test {
namespace {

// What a program prints; a command line given alone runs in the shell.
std::string Capture(const QString& program, QStringList arguments = {}) {
  QProcess run;
  if (arguments.isEmpty()) arguments = QStringList{u"-c"_s, program};
  run.start(arguments[0] == u"-c"_s ? u"sh"_s : program, arguments);
  run.waitForFinished(30000);
  return run.readAllStandardOutput().toStdString();
}

class Commands : public MainWindowTest {
 protected:
  // Compares two archives of that many rows, each of which differs.
  void Compare(int rows) {
    std::string a;
    std::string b;
    for (int i = 1; i <= rows; ++i) {
      const std::string n = std::to_string(i);
      a += n + ".1\tParam, \"" + n + "\"\t" + n + "\tmm\r\n";
      b += n + ".1\tParam\t" + std::to_string(i + 1) + "\tmm\r\n";
    }
    CompareArchives(a, b);
  }
};

// Text and CSV as the command line writes them, the web layouts by their
// endings as with -o; endings are lower case.
TEST_F(Commands, SaveChoosesTheLayoutByTheNameAsTheCommandLineDoes) {
  Compare(3);
  struct Case {
    const char* name;
    const char* cli;    // the command line's option for the same layout
    const char* holds;  // what only that layout writes
  };
  const Case cases[] = {{"r.txt", "", "Param, \"1\""},
                        {"r.csv", "--csv", "\"Param, \"1\"\""},
                        {"Report", "", "Param, \"1\""},
                        {"r.CSV", "", "Param, \"1\""},
                        {"r.json", nullptr, "\"report\": \"differences\""},
                        {"r.html", nullptr, "<!DOCTYPE html>"},
                        {"r.JSON", nullptr, "Archive Report Created at"}};
  for (const Case& c : cases) {
    const std::string saved = SaveAs(c.name);
    EXPECT_NE(saved.find(c.holds), std::string::npos) << c.name;
    if (c.cli == nullptr) continue;
    const std::string csv = "\"Param, \"1\"\"";
    EXPECT_EQ(saved.find(csv) != std::string::npos, *c.cli != '\0') << c.name;
    const std::string cli =
        Capture(QString::fromUtf8(PARVEX_CLI_PATH),
                QStringList{u"archives"_s, Q(archive1), Q(archive2)} +
                    (*c.cli != '\0' ? QStringList{QLatin1String(c.cli)} : QStringList{}));
    EXPECT_EQ(LinesWithoutDate(saved), LinesWithoutDate(cli)) << c.name;
  }
  const auto& call = fixture.dialogs.calls.front();
  EXPECT_EQ(call.kind, u"save"_s);
  EXPECT_EQ(call.title, u"Save Difference List"_s);
  EXPECT_EQ(call.fileName, u"Report"_s);
  EXPECT_EQ(call.filter,
            u"Text (*.txt)|*.txt| Comma Delimited (*.csv)|*.csv|Web "
            "Page (*.html)|*.html|JSON (*.json)|*.json"_s);
  EXPECT_EQ(fixture.dialogs.calls.back().initDir, Q(dir.Path().string()));
  EXPECT_EQ(gRegistry->GetItem(u"SavePath"_s).ToText(), Q(dir.Path().string()));
  EXPECT_TRUE(errors.Shown().empty());
}

// The titles name the inputs of the comparison whose rows the list holds,
// whatever the fields say since, and whichever comparison failed since.
TEST_F(Commands, SaveTitlesNameTheComparisonThatFilledTheList) {
  const std::string structures = dir.Write("s.arc", "3.1\ta\t1\tu\n7.1\ta\t2\tu\n5.1\ta\t1\tu\n");
  const QString missing = Q(dir.File("missing.arc"));
  struct Case {
    const char* what;
    std::function<void()> steps;
    std::string titles;  // the report's column line; empty: both archives
  };
  const Case cases[] = {{"fields unchanged", [&] { Compare(2); }, ""},
                        {"archive 2 changed to a missing file, compared again",
                         [&] {
                           Compare(2);
                           window->txtArchive2->setText(missing);
                           window->cmdTwoArchives_Click();
                         },
                         ""},
                        {"structure number that is no number",
                         [&] {
                           Compare(2);
                           window->txtStruct1->setText(u"abc"_s);
                           window->cmdStructure_Click();
                         },
                         ""},
                        {"structures compared, then a field changed",
                         [&] {
                           window->txtArchive1->setText(Q(structures));
                           window->txtStruct1->setText(u"3"_s);
                           window->txtStruct2->setText(u"7"_s);
                           window->cmdStructure_Click();
                           window->txtStruct1->setText(u"5"_s);
                           window->txtArchive1->setText(missing);
                         },
                         "Archive 1: " + structures + ",Structures 3 and 7"}};
  for (const Case& c : cases) {
    c.steps();
    const std::string titles =
        c.titles.empty() ? "Archive 1: " + archive1 + ",Archive 2: " + archive2 : c.titles;
    const std::string report = SaveAs("titles.csv");
    EXPECT_NE(report.find("\r\nAddress,Description," + titles + ",Units\r\n"), std::string::npos)
        << c.what << "\n"
        << report;
  }
}

TEST_F(Commands, SaveTitlesNameTheOptionsThatMadeTheList) {
  window->mnuMatchByAddress->trigger();
  window->mnuNumbersByValue->trigger();
  Compare(2);
  window->mnuMatchByAddress->trigger();
  window->mnuNumbersByValue->trigger();
  const std::string report = SaveAs("options.csv");
  EXPECT_NE(
      report.find(",Archive 2: " + archive2 + " (matched by address) (numbers by value),Units"),
      std::string::npos)
      << report;
}

TEST_F(Commands, SaveCancelAndFailures) {
  window->cmdSave_Click();
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0],
            (test::ShownMessage{"There is nothing to save!", build::kAppTitle, 48}));
  EXPECT_TRUE(fixture.dialogs.calls.empty());

  Compare(2);
  gRegistry->SaveItem(u"SavePath"_s, SettingValue::Text(u"/kept"_s));
  fixture.dialogs.answers = {std::nullopt};
  window->cmdSave_Click();
  EXPECT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(gRegistry->GetItem(u"SavePath"_s).ToText(), u"/kept"_s);

  // A folder that does not exist: the message, the folder already remembered,
  // and the program still usable.
  fixture.dialogs.answers = {Q(dir.File("missing/r.txt")), Q(dir.File("ok.txt"))};
  window->cmdSave_Click();
  ASSERT_EQ(errors.Shown().size(), 2U);
  EXPECT_EQ(errors.Shown()[1].caption, "Error While Saving Report");
  EXPECT_EQ(errors.Shown()[1].prompt.rfind("Error 76: ", 0), 0U) << errors.Shown()[1].prompt;
  EXPECT_EQ(gRegistry->GetItem(u"SavePath"_s).ToText(), Q(dir.File("missing")));
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

// Printing: nothing to print, Cancel, then pages of 57 rows.
TEST_F(Commands, PrintWritesPagesOfFiftySevenRows) {
  window->cmdPrint_Click();
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0].prompt, "There is nothing to print!");
  fixture.printer.setOutputFormat(QPrinter::PdfFormat);
  Compare(3);
  const std::string never = dir.File("never.pdf");
  fixture.printer.setOutputFileName(Q(never));
  window->cmdPrint_Click();
  EXPECT_FALSE(std::filesystem::exists(never));
  errors.box.shown.clear();

  if (Capture(u"command -v pdfinfo pdftotext"_s).empty()) GTEST_SKIP() << "poppler-utils missing";
  for (const int rows : {1, 57, 58, 130}) {
    Compare(rows);
    const QString pdf = Q(dir.File("print-" + std::to_string(rows) + ".pdf"));
    fixture.printer.setOutputFileName(pdf);
    fixture.dialogs.answers = {u"ok"_s};
    QTest::mouseClick(window->cmdPrint, Qt::LeftButton);
    const std::string info = Capture(u"pdfinfo '%1'"_s.arg(pdf));
    const int pages = (rows + 56) / 57;
    const auto at = info.find("Pages:");
    EXPECT_EQ(at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6), pages) << rows;
    const std::string text = Capture(u"pdftotext -layout '%1' -"_s.arg(pdf));
    EXPECT_NE(text.find("Archive 1: " + archive1), std::string::npos);
    EXPECT_NE(text.find("Page " + std::to_string(pages)), std::string::npos) << rows;
    EXPECT_NE(text.find(std::to_string(rows) + ".1"), std::string::npos) << rows;
  }
  EXPECT_TRUE(errors.Shown().empty());
}

TEST(ShellOpenFile, CodesBecomeMessages) {
  const std::pair<int, QString> cases[] = {
      {2, u"File Not Found"_s},
      {3, u"Invalid Path"_s},
      {31, u"No application found For this file"_s},
      {6, u"Separate data segments are required For Each task "_s},
      {1, u"unchanged"_s},
      {26, u"unchanged"_s},
      {42, u"unchanged"_s}};
  for (const auto& [code, shown] : cases) {
    QString folder;
    QString message = u"unchanged"_s;
    ShellOpenFile(u"x.pdf"_s, folder, message,
                  [code](const QString&, const QString&) { return code; });
    EXPECT_EQ(message, shown) << code;
  }
  TempDir dir;
  EXPECT_EQ(DesktopShellExecute(Q(dir.File("missing.pdf")), QString()), 2);
  EXPECT_EQ(DesktopShellExecute(Q(dir.File("no/folder/missing.pdf")), QString()), 3);
}

#ifdef Q_OS_LINUX
// The desktop's settings, for the test's life those of a folder of its own;
// xdg-open looks for applications only when there is a display.
class OwnDesktop {
 public:
  explicit OwnDesktop(const TempDir& dir) {
    const std::string data = dir.File("data");
    const std::string config = dir.File("config");
    const std::pair<const char*, std::optional<std::string>> values[] = {
        {"HOME", dir.File("home")},
        {"XDG_DATA_HOME", data},
        {"XDG_DATA_DIRS", data},
        {"XDG_CONFIG_HOME", config},
        {"XDG_CONFIG_DIRS", config},
        {"DISPLAY", ":0"},
        {"XDG_CURRENT_DESKTOP", {}},
        {"DESKTOP_SESSION", {}},
        {"KDE_FULL_SESSION", {}},
        {"GNOME_DESKTOP_SESSION_ID", {}},
        {"BROWSER", {}}};
    for (const auto& [name, value] : values) {
      saved_.emplace_back(
          name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
      value ? qputenv(name, value->c_str()) : qunsetenv(name);
    }
  }
  ~OwnDesktop() {
    for (const auto& [name, value] : saved_) value ? qputenv(name, *value) : qunsetenv(name);
  }
  OwnDesktop(const OwnDesktop&) = delete;
  OwnDesktop& operator=(const OwnDesktop&) = delete;

 private:
  std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

TEST(DesktopShellExecute, NoViewerIsCode31AndAViewerOpensTheFile) {
  if (Capture(u"command -v xdg-open xdg-mime"_s).empty()) GTEST_SKIP() << "xdg-utils missing";
  TempDir dir;
  const std::string manual = dir.Write("Documentation/10_001.pdf", "%PDF-1.4\n%%EOF\n");
  const std::string marker = dir.File("opened");
  OwnDesktop desktop(dir);
  EXPECT_EQ(DesktopShellExecute(Q(manual), {}), 31);
  // A default application whose desktop file does not exist is none either.
  dir.Write("data/applications/defaults.list",
            "[Default Applications]\napplication/pdf=gone.desktop\n");
  ASSERT_EQ(Capture(u"xdg-mime query default application/pdf"_s), "gone.desktop\n");
  EXPECT_EQ(DesktopShellExecute(Q(manual), {}), 31);

  // A viewer that writes the path it was given into the marker.
  const std::string viewer = dir.Write("viewer.sh", "#!/bin/sh\necho \"$1\" > '" + marker + "'\n");
  std::filesystem::permissions(viewer, std::filesystem::perms::owner_all);
  dir.Write("data/applications/viewer.desktop", "[Desktop Entry]\nType=Application\nName=V\nExec=" +
                                                    viewer + " %f\nMimeType=application/pdf;\n");
  dir.Write("config/mimeapps.list", "[Default Applications]\napplication/pdf=viewer.desktop\n");
  EXPECT_GT(DesktopShellExecute(Q(manual), {}), 32);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !ReadBytes(marker).empty(); }, 10000));
  EXPECT_EQ(ReadBytes(marker), manual + "\n");
}
#endif

// The names the file dialog lists in its folder.
QStringList Listed(const QFileDialog& dialog) {
  const auto* view = dialog.findChild<QListView*>(u"listView"_s);
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
       u"(*.*)|*.*"_s,
       {u"(*.*)"_s},
#ifdef Q_OS_WIN
       // Windows' own dialog reads "*.*" as every name; the one offscreen does not.
       {u"a.txt"_s, u"b.csv"_s}},
#else
       {u"README"_s, u"a.txt"_s, u"b.csv"_s}},
#endif
      {true,
       u"Text (*.txt)|*.txt| Comma Delimited (*.csv)|*.csv"_s,
       {u"Text (*.txt)"_s, u"Comma Delimited (*.csv)"_s},
       {u"a.txt"_s}}};
  for (const Case& c : cases) {
    const auto dialog =
        dialogs.FileDialog(c.save, u"t"_s, Q(dir.Path().string()), u"Report"_s, c.filter);
    EXPECT_EQ(dialog->parentWidget(), &window);
    const auto* types = dialog->findChild<QComboBox*>(u"fileTypeCombo"_s);
    ASSERT_NE(types, nullptr);
    QStringList captions;
    for (int i = 0; i < types->count(); ++i) captions << types->itemText(i);
    EXPECT_EQ(captions, c.captions);
    static_cast<void>(QTest::qWaitFor([&] { return Listed(*dialog) == c.listed; }, 5000));
    EXPECT_EQ(Listed(*dialog), c.listed) << c.filter.toStdString();
  }
}

TEST_F(Commands, AboutShowsProductVersionAndClosesWithEnterOrEscape) {
  for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
    bool closed = false;
    fixture.dialogs.onModal = [&](QDialog& dialog) {
      auto& splash = dynamic_cast<frmSplash&>(dialog);
      EXPECT_EQ(splash.lblVersion->text(), window->windowTitle());
      EXPECT_EQ(splash.lblCustomerName->text(), u"Parvex"_s);
      EXPECT_EQ(splash.lblCompanyProduct->text(), u"Brenlo HMI"_s);
      splash.show();
      QTest::keyClick(&splash, static_cast<Qt::Key>(key));
      closed = !splash.isVisible();
    };
    window->mnuAbout->trigger();
    EXPECT_TRUE(closed) << key;
  }
  EXPECT_EQ(fixture.dialogs.calls.back().title, u"frmSplash"_s);
}

}  // namespace
}  // namespace parvex::test
