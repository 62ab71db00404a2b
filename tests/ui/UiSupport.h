#pragma once

// What the window tests share: fake dialogs, a window over a settings file
// of its own, and the fixtures every window test starts from.

// The widgets and the test library whole, for every window test.
#include <QPrinter>
#include <QtTest/QtTest>
#include <QtWidgets/QtWidgets>

#include <deque>
#include <optional>

#include "settings/Catalogue.h"
#include "settings/FileRegistry.h"
#include "support/QtText.h"
#include "support/TestSupport.h"
#include "ui/common/CommonDialog.h"
#include "ui/main/frmMain.h"

namespace parvex::test {

using namespace Qt::StringLiterals;

// Answers the file and printer dialogs from a script and remembers how each
// was set up.
class FakeDialogs final : public DialogBackend {
 public:
  struct Call {
    QString kind;
    QString title;
    QString initDir;
    QString fileName;
    QString filter;
  };

  std::optional<QString> Open(const QString& title, const QString& initDir, const QString& fileName,
                              const QString& filter) override {
    calls.push_back({QStringLiteral("open"), title, initDir, fileName, filter});
    return Next();
  }
  std::optional<QString> Save(const QString& title, const QString& initDir, const QString& fileName,
                              const QString& filter) override {
    calls.push_back({QStringLiteral("save"), title, initDir, fileName, filter});
    return Next();
  }
  bool Printer() override {
    calls.push_back({QStringLiteral("printer"), {}, {}, {}, {}});
    return Next().has_value();
  }
  std::optional<SaveChoice> SaveWithFilter(const QString& title, const QString& initDir,
                                           const QString& fileName,
                                           const QString& filter) override {
    if (auto path = Save(title, initDir, fileName, filter)) return SaveChoice{*path, savePattern};
    return std::nullopt;
  }
  void ShowModal(QDialog& dialog) override {
    calls.push_back({QStringLiteral("modal"), dialog.objectName(), {}, {}, {}});
    if (onModal) onModal(dialog);
  }

  std::function<void(QDialog&)> onModal;
  QString savePattern;                         // the filter chosen with a name to save under
  std::deque<std::optional<QString>> answers;  // nullopt: Cancel
  std::vector<Call> calls;

 private:
  std::optional<QString> Next() {
    std::optional<QString> a;
    if (!answers.empty()) {
      a.swap(answers.front());
      answers.pop_front();
    }
    return a;
  }
};

// A window over a settings file in a temporary folder, as a fresh start of
// the program would make it.
struct WindowFixture {
  explicit WindowFixture(const TempDir& dir)
      : settingsPath(QString::fromStdString(dir.File("config/registry.json"))) {}

  std::unique_ptr<frmMain> Start() {
    ConfigureRegistry(std::make_shared<FileRegistry>(settingsPath));
    auto window = std::make_unique<frmMain>(WindowServices{dialogs, printer, shell});
    window->Show();
    return window;
  }

  QString settingsPath;
  FakeDialogs dialogs;
  QPrinter printer{QPrinter::ScreenResolution};
  std::vector<QString> opened;
  ShellExecute shell = [this](const QString& file, const QString&) {
    opened.push_back(file);
    return shellResult;
  };
  int shellResult = 42;
};

// Drags the local files over target as a file manager does and drops them;
// whether the drop was taken.
inline bool Drop(QWidget* target, const QStringList& files) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& f : files) urls << QUrl::fromLocalFile(f);
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(target, &drop);
  QApplication::processEvents();
  return drop.isAccepted();
}

// Tab walks the widgets in this order; with visibleIn, past widgets hidden in it.
inline void ExpectTabOrder(const std::vector<QWidget*>& order, const QWidget* visibleIn = nullptr) {
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    QWidget* next = order[i]->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus || (visibleIn && !next->isVisibleTo(visibleIn))) {
      next = next->nextInFocusChain();
    }
    EXPECT_EQ(next, order[i + 1]) << i << " " << next->objectName().toStdString();
  }
}

// What every window test starts from: messages recorded instead of shown,
// and a folder of its own with the settings file in it.
class WindowTest : public ::testing::Test {
 protected:
  RecordedErrors errors;
  TempDir dir;
  WindowFixture fixture{dir};
};

// The main window as a fresh start of the program shows it.
class MainWindowTest : public WindowTest {
 protected:
  // Writes the two archives (a.arc and b.arc) and compares them.
  void CompareArchives(const std::string& a, const std::string& b) {
    archive1 = dir.Write("a.arc", a);
    archive2 = dir.Write("b.arc", b);
    window->txtArchive1->setText(Q(archive1));
    window->txtArchive2->setText(Q(archive2));
    window->cmdTwoArchives_Click();
    QApplication::processEvents();
  }
  // A cell of the list as shown.
  QString Cell(int row, int column) const {
    return window->lvList->model()->index(row, column).data().toString();
  }
  // Saves the list through the Save dialog under the name given in the
  // test's folder, and reads back what was written.
  std::string SaveAs(const std::string& name) {
    fixture.dialogs.answers = {Q(dir.File(name))};
    window->cmdSave->click();
    return ReadBytes(dir.File(name));
  }

  std::string archive1;
  std::string archive2;
  std::unique_ptr<frmMain> window = fixture.Start();
};

}  // namespace parvex::test
