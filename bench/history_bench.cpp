// The history store against its targets, on generated data: a year of daily
// backups of many machines, each day a few values changed. Reports the store's
// size, the time to add one backup and the time to get any snapshot back.
// Usage: history_bench [MACHINES [DAYS [LINES [STORE]]]]
// (defaults 100 365 10000 and a file in a temporary folder).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "history/Store.h"

namespace {

using Clock = std::chrono::steady_clock;

// The processor time of this thread, which other programs on a busy machine
// do not lengthen as they do the time on the clock.
double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// One machine's archive as lines, so a day's changes edit values in place.
struct Machine {
  std::vector<std::string> prefix;  // "N.M\tDescription\t"
  std::vector<std::string> value;
  std::vector<std::string> units;  // "\tunits\r\n"
  std::string Text() const {
    std::string text = "$ Generated machine backup\r\n";
    for (std::size_t i = 0; i < prefix.size(); ++i) text += prefix[i] + value[i] + units[i];
    return text;
  }
};

Machine MakeMachine(int lines, std::mt19937& random) {
  static const char* const kUnits[] = {"mm", "rpm", "ms", "A", "V", "%", "", "deg"};
  Machine m;
  std::uniform_int_distribution<int> number(0, 999999);
  for (int i = 0; i < lines; ++i) {
    m.prefix.push_back(std::to_string(i / 50 + 1) + "." + std::to_string(i % 50) +
                       (i % 10 == 0 ? "\t!Parameter " : "\tParameter ") + std::to_string(i) + "\t");
    m.value.push_back(std::to_string(number(random) / 100) + "." +
                      std::to_string(number(random) % 100));
    m.units.push_back(std::string("\t") + kUnits[i % 8] + "\r\n");
  }
  return m;
}

struct Times {
  std::vector<double> ms;
  void Report(const char* what, double target) {
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (const double t : ms) sum += t;
    std::printf("%s: mean %.1f ms, 99%% %.1f ms, most %.1f ms over %zu (target <= %.0f ms)\n", what,
                sum / static_cast<double>(ms.size()), ms[ms.size() * 99 / 100], ms.back(),
                ms.size(), target);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int machines = argc > 1 ? std::atoi(argv[1]) : 100;
  const int days = argc > 2 ? std::atoi(argv[2]) : 365;
  const int lines = argc > 3 ? std::atoi(argv[3]) : 10000;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("history-bench-" + std::to_string(std::rand()));
  const std::string path = argc > 4 ? argv[4] : (folder / "history.sqlite").string();
  std::filesystem::remove(path);
  auto store = parvex::Store::Open(path);
  std::mt19937 random(34);
  const int changesPerDay = std::max(1, lines / 1000);
  Times adds, addsCpu;
  std::size_t textBytes = 0;
  std::vector<std::pair<parvex::SnapshotId, std::string>> samples;
  for (int k = 0; k < machines; ++k) {
    Machine m = MakeMachine(lines, random);
    const std::string name = "machine-" + std::to_string(k);
    for (int day = 0; day < days; ++day) {
      std::uniform_int_distribution<int> line(0, lines - 1);
      for (int c = 0; c < changesPerDay; ++c) m.value[line(random)] += "1";
      const std::string text = m.Text();
      textBytes += text.size();
      const auto start = Clock::now();
      const double cpu = CpuMs();
      const parvex::AddOutcome o = store->Add(name, text, 1700000000 + day * 86400LL, "");
      addsCpu.ms.push_back(CpuMs() - cpu);
      adds.ms.push_back(Ms(Clock::now() - start));
      if (random() % std::max(1, machines * days / 200) == 0) samples.emplace_back(o.id, text);
    }
  }
  const auto storeBytes = std::filesystem::file_size(path);
  std::printf(
      "%d machines x %d days x %d lines: %.1f MB of archives in %.1f MB (target <= %.0f MB "
      "for 100 x 365 x 10000)\n",
      machines, days, lines, static_cast<double>(textBytes) / 1e6,
      static_cast<double>(storeBytes) / 1e6, 200.0);
  adds.Report("add one backup", 50);
  addsCpu.Report("add one backup, processor time", 50);
  Times gets, getsCpu;
  int wrong = 0;
  for (const auto& [id, text] : samples) {
    auto fresh = parvex::Store::Open(path);  // nothing of an earlier read kept
    const auto start = Clock::now();
    const double cpu = CpuMs();
    const std::string back = fresh->Bytes(id);
    getsCpu.ms.push_back(CpuMs() - cpu);
    gets.ms.push_back(Ms(Clock::now() - start));
    wrong += back == text ? 0 : 1;
  }
  gets.Report("get a snapshot back", 100);
  getsCpu.Report("get a snapshot back, processor time", 100);
  std::printf("snapshots back byte for byte: %zu of %zu\n", samples.size() - wrong, samples.size());
  store.reset();
  if (argc <= 4) std::filesystem::remove_all(folder);
  return wrong == 0 ? 0 : 1;
}
