// Measures how the Compare with Reference window responds while it compares
// a fleet: the longest gap between two ticks of a 5 ms timer on the window's
// thread from Compare until the result is shown, against the whole run's
// time. Runs on the offscreen platform over a fleet written by make_fleet.
//   reference_window_bench FLEET_FOLDER
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "settings/Catalogue.h"
#include "settings/FileRegistry.h"
#include "ui/common/CommonDialog.h"
#include "ui/reference/frmReference.h"

namespace {

class NoDialogs final : public parvex::DialogBackend {
 public:
  std::optional<QString> Open(const QString&, const QString&, const QString&,
                              const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> Save(const QString&, const QString&, const QString&,
                              const QString&) override {
    return std::nullopt;
  }
  bool Printer() override { return false; }
  void ShowModal(QDialog&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: reference_window_bench FLEET_FOLDER\n");
    return 2;
  }
  const std::filesystem::path fleet = argv[1];
  const auto settings = std::filesystem::temp_directory_path() / "parvex-reference-window-bench";
  parvex::ConfigureRegistry(std::make_shared<parvex::FileRegistry>(
      QString::fromStdString((settings / "registry.json").string())));
  NoDialogs dialogs;
  parvex::frmReference window(parvex::ReferenceServices{dialogs, nullptr, {}, {}});
  window.Show();
  window.txtReference->setText(QString::fromStdString((fleet / "reference.arc").string()));
  window.AddArchives({QString::fromStdString((fleet / "fleet").string())});

  QElapsedTimer clock;
  qint64 last = 0;
  qint64 longest = 0;
  QTimer ticks;
  ticks.setInterval(5);
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  clock.start();
  ticks.start();
  window.cmdCompare->click();
  while (window.Running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  const double total = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  // The result reaching the views is part of the run.
  longest = std::max(longest, clock.nsecsElapsed() - last);
  std::printf("archives: %zu\nrows: %zu\nrun: %.0f ms\nlongest stall of the event loop: %.1f ms\n",
              window.Result() ? window.Result()->archives.size() : 0U,
              window.Result() ? window.Result()->rows.size() : 0U, total,
              static_cast<double>(longest) / 1e6);
  std::filesystem::remove_all(settings);
  return window.Result() ? 0 : 1;
}
