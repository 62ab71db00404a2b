#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include <memory>

class QDialog;
class QFileDialog;
class QWidget;
class QPrinter;

namespace parvex {

// What the program asks of the platform's file and printer dialogs. Tests
// replace it; the program uses QtDialogs.
class DialogBackend {
 public:
  virtual ~DialogBackend() = default;
  // The chosen path, or nothing when the user cancelled.
  virtual std::optional<QString> Open(const QString& title, const QString& initDir,
                                      const QString& fileName, const QString& filter) = 0;
  virtual std::optional<QString> Save(const QString& title, const QString& initDir,
                                      const QString& fileName, const QString& filter) = 0;
  // False when the user cancelled.
  virtual bool Printer() = 0;
  // Shows a window of the program modally and returns when it is closed.
  virtual void ShowModal(QDialog& dialog) = 0;
  // The window the file and printer dialogs belong to.
  virtual void SetOwner(QWidget* /*owner*/) {}

  // Several files at once; empty when the user cancelled.
  virtual QStringList OpenFiles(const QString& title, const QString& initDir,
                                const QString& filter) {
    if (auto one = Open(title, initDir, QString(), filter)) return {*one};
    return {};
  }
  // A folder, or nothing when the user cancelled.
  virtual std::optional<QString> OpenFolder(const QString& title, const QString& initDir) {
    return Open(title, initDir, QString(), QString());
  }
  // A name to save under and the pattern of the filter chosen with it (such
  // as "*.html"), or nothing when the user cancelled.
  struct SaveChoice {
    QString path;
    QString pattern;
  };
  virtual std::optional<SaveChoice> SaveWithFilter(const QString& title, const QString& initDir,
                                                   const QString& fileName, const QString& filter) {
    if (auto path = Save(title, initDir, fileName, filter)) return SaveChoice{*path, {}};
    return std::nullopt;
  }
};

// While it lives, the file dialogs open over window; then they go back to
// their owner.
class DialogOwner {
 public:
  DialogOwner(DialogBackend& dialogs, QWidget* window, QWidget* owner)
      : dialogs_(dialogs), owner_(owner) {
    dialogs_.SetOwner(window);
  }
  ~DialogOwner() { dialogs_.SetOwner(owner_); }
  DialogOwner(const DialogOwner&) = delete;
  DialogOwner& operator=(const DialogOwner&) = delete;

 private:
  DialogBackend& dialogs_;
  QWidget* owner_;
};

// The common dialog of the window: members set before showing, FileName kept
// between uses, and Cancel raised as failure 32755 when CancelError is set.
class CommonDialog {
 public:
  explicit CommonDialog(DialogBackend& backend) : backend_(backend) {}

  QString DialogTitle;
  QString InitDir;
  QString FileName;
  QString Filter;
  bool CancelError = false;

  void ShowOpen();
  void ShowSave();
  void ShowPrinter();

 private:
  void Cancelled() const;
  DialogBackend& backend_;
};

// "Text (*.txt)|*.txt|..." as Qt writes a filter list: each caption followed
// by its pattern, which the dialog then hides. "*.*" means every file, also on
// systems where names need no dot.
QString QtFilter(const QString& filter);

// QFileDialog and QPrintDialog on the program's one printer, both children of
// the owner window.
class QtDialogs final : public DialogBackend {
 public:
  QtDialogs(QWidget* owner, QPrinter& printer) : parent_(owner), printer_(printer) {}
  std::optional<QString> Open(const QString& title, const QString& initDir, const QString& fileName,
                              const QString& filter) override;
  std::optional<QString> Save(const QString& title, const QString& initDir, const QString& fileName,
                              const QString& filter) override;
  bool Printer() override;
  void ShowModal(QDialog& dialog) override;
  QStringList OpenFiles(const QString& title, const QString& initDir,
                        const QString& filter) override;
  std::optional<QString> OpenFolder(const QString& title, const QString& initDir) override;
  std::optional<SaveChoice> SaveWithFilter(const QString& title, const QString& initDir,
                                           const QString& fileName, const QString& filter) override;
  void SetOwner(QWidget* owner) override { parent_ = owner; }

  // The Open or Save dialog, set up but not shown yet.
  std::unique_ptr<QFileDialog> FileDialog(bool save, const QString& title, const QString& initDir,
                                          const QString& fileName, const QString& filter) const;

 private:
  QWidget* parent_;
  QPrinter& printer_;
};

}  // namespace parvex
