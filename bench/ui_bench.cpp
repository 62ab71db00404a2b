// Times a comparison that finds about 30,000 differences: the engine alone,
// and through the main window until its list and status bar show the result.
// Runs on the offscreen platform.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QScrollBar>
#include <QTreeView>

#include <cstdio>
#include <filesystem>

#include "ArchiveGenerator.h"
#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "settings/Catalogue.h"
#include "settings/FileRegistry.h"
#include "ui/common/CommonDialog.h"
#include "ui/main/frmMain.h"

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

template <typename Fn>
double BestMs(int runs, Fn&& fn) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    fn();
    best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const auto folder = std::filesystem::temp_directory_path() / "parvex-ui-bench";
  std::filesystem::create_directories(folder);
  const auto pair = parvex::bench::GenerateArchivePair(folder.string(), 300000, 105);
  parvex::ConfigureRegistry(std::make_shared<parvex::FileRegistry>(
      QString::fromStdString((folder / "registry.json").string())));

  int rows = 0;
  parvex::CompareOptions all;
  all.IncludeReadOnly = true;
  // A first run warms the page cache and the allocator for both contenders.
  BestMs(2, [&] {
    parvex::DifferenceList list;
    parvex::CompareArchives(pair.archive1, pair.archive2, list, all);
  });
  // One list for all runs, as the window keeps one: a fresh list of 31,000
  // rows would mostly measure the system mapping its memory.
  parvex::DifferenceList kept;
  const double engine = BestMs(5, [&] {
    parvex::DifferenceList& list = kept;
    parvex::CompareArchives(pair.archive1, pair.archive2, list, all);
    rows = list.Count();
  });

  NoDialogs dialogs;
  QPrinter printer;
  parvex::frmMain window(parvex::WindowServices{dialogs, printer});
  window.resize(1000, 700);
  window.show();
  window.txtArchive1->setText(QString::fromStdString(pair.archive1));
  window.txtArchive2->setText(QString::fromStdString(pair.archive2));
  window.chkReadOnly->setChecked(true);
  QApplication::processEvents();
  const double windowed = BestMs(5, [&] {
    window.cmdTwoArchives_Click();
    QApplication::processEvents();  // the list shows its rows, the view lays out
    window.lvList->viewport()->repaint();
  });
  const double scroll = BestMs(3, [&] {
    QScrollBar* bar = window.lvList->verticalScrollBar();
    for (int v = 0; v <= bar->maximum(); v += std::max(1, bar->maximum() / 200)) {
      bar->setValue(v);
      window.lvList->viewport()->repaint();
    }
  });

  std::printf("rows: %d (window shows %d, status \"%s\")\n", rows,
              window.lvList->model()->rowCount(), window.sbCompare->text().toUtf8().constData());
  std::printf("engine only:               %8.1f ms\n", engine);
  std::printf("through the window:        %8.1f ms  (%.2f x engine, target <= 1.5)\n", windowed,
              windowed / engine);
  std::printf("scroll end to end, 200 repaints: %.1f ms (%.2f ms a step)\n", scroll, scroll / 200);
  std::filesystem::remove_all(folder);
  return 0;
}
