#pragma once

#include <QDialog>
#include <QPrinter>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

#include "settings/Catalogue.h"
#include "settings/FileRegistry.h"
#include "support/TestSupport.h"
#include "ui/common/CommonDialog.h"
#include "ui/main/frmMain.h"

// Texts in failure messages as text, not as arrays of UTF-16 units.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace parvex::test {

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

}  // namespace parvex::test
