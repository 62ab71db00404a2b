// Measures the comparisons on a generated 1,000,000-line archive pair against
// the floor of reading both files and counting their lines with memchr.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

#include "ArchiveGenerator.h"
#include "engine/base/ErrorReport.h"
#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "engine/values/Rules.h"

namespace {

using parvex::bench::GeneratedPair;

GeneratedPair gPair;
// The first half of each archive's lines, for pairs where the other archive
// has lines left over.
std::string gHalf1;
std::string gHalf2;

std::string FirstHalf(const std::string& path, std::size_t lines) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  const std::string out = path + ".half";
  std::FILE* to = std::fopen(out.c_str(), "wb");
  if (in == nullptr || to == nullptr) std::abort();
  int c = 0;
  for (std::size_t line = 0; line < lines / 2 && (c = std::fgetc(in)) != EOF;) {
    std::fputc(c, to);
    if (c == '\n') ++line;
  }
  std::fclose(in);
  std::fclose(to);
  return out;
}
std::shared_ptr<const parvex::Rules> gRules;

std::size_t CountLines(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return 0;
  std::setvbuf(f, nullptr, _IONBF, 0);
  std::vector<char> buffer(256 * 1024);
  std::size_t lines = 0;
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) {
    const char* p = buffer.data();
    const char* end = p + got;
    while ((p = static_cast<const char*>(
                std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr) {
      ++lines;
      ++p;
    }
  }
  std::fclose(f);
  return lines;
}

void MemchrLineCount(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(CountLines(gPair.archive1) + CountLines(gPair.archive2));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * gPair.bytes));
}

// Every line takes part, read-only ones too.
parvex::CompareOptions All(parvex::CompareOptions options = {}) {
  options.IncludeReadOnly = true;
  return options;
}

void CompareArchivesWith(benchmark::State& state, const parvex::CompareOptions& options) {
  for (auto _ : state) {
    parvex::DifferenceList list;
    parvex::CompareArchives(gPair.archive1, gPair.archive2, list, All(options));
    state.counters["rows"] = list.Count();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * gPair.bytes));
}

void CompareArchives(benchmark::State& state) {
  CompareArchivesWith(state, {});
}

// The same pair, lines matched by address instead of by position.
void CompareArchivesByAddress(benchmark::State& state) {
  CompareArchivesWith(state, {true, false});
}

// The same comparisons under the rules file above.
void CompareArchivesWithRules(benchmark::State& state) {
  CompareArchivesWith(state, {false, false, gRules});
}

void CompareArchivesByAddressWithRules(benchmark::State& state) {
  CompareArchivesWith(state, {true, false, gRules});
}

// By position, with numbers compared by value where the bytes differ.
void CompareArchivesNumeric(benchmark::State& state) {
  CompareArchivesWith(state, {false, true});
}

// One archive has half as many lines: the comparison pairs the first half,
// then counts the lines left over in the other.
void CompareArchivesFirstLonger(benchmark::State& state) {
  for (auto _ : state) {
    parvex::DifferenceList list;
    parvex::CompareArchives(gPair.archive1, gHalf2, list, All());
    state.counters["rows"] = list.Count();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * gPair.bytes * 3 / 4));
}

void CompareArchivesSecondLonger(benchmark::State& state) {
  for (auto _ : state) {
    parvex::DifferenceList list;
    parvex::CompareArchives(gHalf1, gPair.archive2, list, All());
    state.counters["rows"] = list.Count();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * gPair.bytes * 3 / 4));
}

void CompareStructures(benchmark::State& state) {
  for (auto _ : state) {
    parvex::DifferenceList list;
    parvex::CompareStructures(gPair.archive1, 17, 18, list, All());
    state.counters["rows"] = list.Count();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * gPair.bytes / 2));
}

BENCHMARK(MemchrLineCount)->Unit(benchmark::kMillisecond);
BENCHMARK(CompareArchives)->Unit(benchmark::kMillisecond);
BENCHMARK(CompareArchivesByAddress)->Unit(benchmark::kMillisecond);
BENCHMARK(CompareArchivesNumeric)->Unit(benchmark::kMillisecond);
BENCHMARK(CompareArchivesFirstLonger)->Unit(benchmark::kMillisecond);
BENCHMARK(CompareArchivesSecondLonger)->Unit(benchmark::kMillisecond);
BENCHMARK(CompareArchivesWithRules)->Unit(benchmark::kMillisecond);
BENCHMARK(CompareArchivesByAddressWithRules)->Unit(benchmark::kMillisecond);
BENCHMARK(CompareStructures)->Unit(benchmark::kMillisecond);

// Peak resident memory of one comparison, measured in a child process so the
// benchmark's own allocations do not count.
template <typename Fn>
long PeakRssKiB(Fn&& fn) {
  const pid_t pid = fork();
  if (pid == 0) {
    fn();
    _exit(0);
  }
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  return usage.ru_maxrss;
}

class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // The median where repetitions are asked for, else the single run.
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Iteration || median) {
        times[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  const char* envLines = std::getenv("PARVEX_BENCH_LINES");
  const std::size_t lines = envLines != nullptr ? std::strtoul(envLines, nullptr, 10) : 1000000;
  const auto folder = std::filesystem::temp_directory_path() / "parvex-bench";
  std::filesystem::create_directories(folder);
  gPair = parvex::bench::GenerateArchivePair(folder.string(), lines);
  gHalf1 = FirstHalf(gPair.archive1, gPair.lines);
  gHalf2 = FirstHalf(gPair.archive2, gPair.lines);
  std::printf("archives: 2 x %zu lines, %.1f MB together\n", gPair.lines,
              static_cast<double>(gPair.bytes) / 1e6);
  gRules = parvex::Rules::Parse(parvex::bench::FleetRules(), "fleet.toml");

  // Messages of the run (none expected) go to standard error.
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const double floor = reporter.times["MemchrLineCount"];
  if (floor > 0) {
    std::printf("CompareArchives / memchr floor:   %.2f (target <= 2)\n",
                reporter.times["CompareArchives"] / floor);
    std::printf("CompareStructures / memchr floor: %.2f (target <= 5)\n",
                reporter.times["CompareStructures"] / floor);
  }
  if (reporter.times["CompareArchives"] > 0 && reporter.times["CompareArchivesByAddress"] > 0) {
    std::printf("by address / by position:        %.2f (target <= 2)\n",
                reporter.times["CompareArchivesByAddress"] / reporter.times["CompareArchives"]);
  }
  // The cost of rules, from runs with and without them taken in turn, the
  // fastest of each: a machine whose load changes from minute to minute
  // then weighs on both alike.
  for (const bool byAddress : {false, true}) {
    double fastest[2] = {1e9, 1e9};
    for (int round = 0; round < 15; ++round) {
      for (const int with : {0, 1}) {
        const auto start = std::chrono::steady_clock::now();
        parvex::DifferenceList list;
        parvex::CompareArchives(gPair.archive1, gPair.archive2, list,
                                All({byAddress, false, with == 1 ? gRules : nullptr}));
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        fastest[with] = std::min(fastest[with], took.count());
      }
    }
    std::printf("%s: %.1f ms with rules, %.1f ms without: %.2f (target <= 1.10)\n",
                byAddress ? "by address " : "by position", fastest[1], fastest[0],
                fastest[1] / fastest[0]);
  }
  const long baseline = PeakRssKiB([] {});
  const long archives = PeakRssKiB([] {
    parvex::DifferenceList list;
    parvex::CompareArchives(gPair.archive1, gPair.archive2, list, All());
  });
  const long structures = PeakRssKiB([] {
    parvex::DifferenceList list;
    parvex::CompareStructures(gPair.archive1, 17, 18, list, All());
  });
  const long byAddress = PeakRssKiB([] {
    parvex::DifferenceList list;
    parvex::CompareArchives(gPair.archive1, gPair.archive2, list, All({true, false}));
  });
  std::printf(
      "peak RSS: idle child %.1f MiB, CompareArchives %.1f MiB, CompareStructures %.1f MiB "
      "(target < 32)\n",
      static_cast<double>(baseline) / 1024.0, static_cast<double>(archives) / 1024.0,
      static_cast<double>(structures) / 1024.0);
  std::printf("peak RSS: CompareArchives by address %.1f MiB (target <= 96)\n",
              static_cast<double>(byAddress) / 1024.0);
  std::filesystem::remove_all(folder);
  benchmark::Shutdown();
  return 0;
}
