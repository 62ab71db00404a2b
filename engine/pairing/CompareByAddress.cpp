#include "engine/pairing/CompareByAddress.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <optional>

#include "engine/base/BigArray.h"
#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/list/DifferenceList.h"
#include "engine/pairing/AddressTable.h"
#include "engine/pairing/PairFrame.h"
#include "engine/pairing/Pairing.h"
#include "engine/reading/ReadThrough.h"
#include "engine/reading/TextStream.h"
#include "engine/values/NumericEquality.h"
#include "engine/values/Rules.h"

namespace parvex {

namespace {

constexpr std::uint32_t kNone = kNoPartner;
constexpr const char* kMissing = "(missing)";
// The row that takes the 16-bit count past 32767 is still added, then the
// comparison fails, as in the positional comparisons.
constexpr std::size_t kMostRows = 32768;
// Tables at least this long are gone through on two cores where they can be.
constexpr std::uint32_t kTwoHalves = 8192;
// And lists at least this long are made into rows on two cores.
constexpr std::size_t kTwoRowHalves = 1024;

// One row to be: a pair, or a line of one side alone (the other is kNone).
struct Step {
  std::uint32_t first = kNone;
  std::uint32_t second = kNone;
};

// The lines found only in the second table, as (place, index) in the order
// they are listed: place 0 is the start, place i + 1 follows line i of the
// first table (the partner of the last shared line before them).
std::vector<std::uint64_t> PlacesOfSecondOnly(const Partners& p) {
  std::vector<std::uint64_t> placed;
  std::uint64_t place = 0;
  for (std::size_t j = 0; j < p.second.size(); ++j) {
    if (p.second[j] != kNone) {
      place = std::uint64_t{p.second[j]} + 1;
    } else {
      placed.push_back((place << 32) | j);
    }
  }
  if (!std::is_sorted(placed.begin(), placed.end())) std::sort(placed.begin(), placed.end());
  return placed;
}

// Offers every pair and every lone line in list order until take says stop.
template <typename Take>
void InListOrder(const AddressTable& a, const AddressTable& b, const Partners& p, Take&& take) {
  const std::vector<std::uint64_t> placed = PlacesOfSecondOnly(p);
  std::size_t next = 0;  // into placed
  std::uint64_t place = 0;
  std::size_t i = 0;
  for (;;) {
    // The gap after the last shared line: the first table's lone lines up to
    // its next shared line, merged by address with the second's placed here.
    std::size_t end = next;
    while (end < placed.size() && (placed[end] >> 32) == place) ++end;
    for (;;) {
      const bool haveFirst = i < a.Size() && p.first[i] == kNone;
      const bool haveSecond = next < end;
      if (!haveFirst && !haveSecond) break;
      const auto j = static_cast<std::uint32_t>(haveSecond ? placed[next] : 0);
      if (haveFirst && (!haveSecond || a.Key(i) <= b.Key(j))) {
        if (!take(Step{static_cast<std::uint32_t>(i++), kNone})) return;
      } else {
        ++next;
        if (!take(Step{kNone, j})) return;
      }
    }
    if (i == a.Size()) return;
    if (!take(Step{static_cast<std::uint32_t>(i), p.first[i]})) return;
    place = ++i;
  }
}

// Runs both on two threads and returns the failure of the first, else of the
// second, once both have ended.
std::exception_ptr RunBoth(const std::function<void()>& first,
                           const std::function<void()>& second) {
  auto helper = std::async(std::launch::async, second);
  std::exception_ptr error;
  try {
    first();
  } catch (...) {
    error = std::current_exception();
  }
  try {
    helper.get();
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  return error;
}

void ThrowIf(const std::exception_ptr& error) {
  if (error) std::rethrow_exception(error);
}

// Reads again, in one or two passes, the descriptions and units of the lines
// that become rows.
using FetchFn = std::function<void(TextRequest& first, TextRequest& second)>;

// Makes count steps into rows, their texts read again.
void MakeRows(const AddressTable& a, const AddressTable& b, const Step* steps, std::size_t count,
              DifferenceRow* rows, const ValueJudge& judge, const FetchFn& fetch) {
  TextRequest first{&a, {}, {}};
  TextRequest second{&b, {}, {}};
  for (std::size_t k = 0; k < count; ++k) {
    // The first table's lines come in file order.
    if (steps[k].first != kNone) {
      first.indexes.push_back(steps[k].first);
    } else {
      second.indexes.push_back(steps[k].second);
    }
  }
  std::sort(second.indexes.begin(), second.indexes.end());
  if (count > 0) fetch(first, second);

  std::size_t nextFirst = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const Step& s = steps[k];
    DifferenceRow& row = rows[k];
    if (s.first != kNone) {
      TextRequest::Texts& t = first.texts[nextFirst++];
      row.Text = a.AddressText(s.first);
      row.Locked = a.ReadOnly(s.first);
      row.SubItems = {std::move(t.Description), std::string(a.Value(s.first)),
                      s.second != kNone ? SecondValue(judge, b.Value(s.second), a.Units(s.first),
                                                      b.Units(s.second))
                                        : kMissing,
                      std::move(t.Units)};
    } else {
      const auto at = std::lower_bound(second.indexes.begin(), second.indexes.end(), s.second);
      TextRequest::Texts& t = second.texts[static_cast<std::size_t>(at - second.indexes.begin())];
      row.Text = b.AddressText(s.second);
      row.Locked = b.ReadOnly(s.second);
      row.SubItems = {std::move(t.Description), kMissing, std::string(b.Value(s.second)),
                      std::move(t.Units)};
    }
  }
}

// A difference to be, unless read-only or left out: a pair that differs, or
// a line alone.
bool Differs(const AddressTable& a, const AddressTable& b, Step s, bool includeReadOnly,
             ValueJudge& judge) {
  const bool locked = s.first != kNone ? a.ReadOnly(s.first) : b.ReadOnly(s.second);
  if (!includeReadOnly && locked) return false;
  if (s.first != kNone && s.second != kNone) {
    return !SamePairedBytes(a, s.first, b, s.second, judge.JudgesUnits()) &&
           !SamePairedValue(a, s.first, b, s.second, judge);
  }
  // An ignored line gives no row for being missing on the other side.
  return s.first != kNone ? !LeftOutAlone(a, s.first, judge) : !LeftOutAlone(b, s.second, judge);
}

// The rows to be of tables paired by Pair, in list order, up to the most a
// list takes.
std::vector<Step> StepsInListOrder(const AddressTable& a, const AddressTable& b,
                                   bool includeReadOnly, ValueJudge& judge) {
  std::vector<Step> steps;
  InListOrder(a, b, Pair(a, b), [&](Step s) {
    if (Differs(a, b, s, includeReadOnly, judge)) steps.push_back(s);
    return steps.size() < kMostRows;
  });
  return steps;
}

// The same for tables with the same addresses in the same order, as in two
// archives of one machine: line i pairs with line i, and no line is alone.
// Long tables are gone through in two halves on two cores, the second's rows
// after the first's, each half counting what its judge's rules removed.
std::vector<Step> StepsOfSameAddresses(const AddressTable& a, const AddressTable& b,
                                       bool includeReadOnly, ValueJudge& judge) {
  const bool units = judge.JudgesUnits();
  const auto scan = [&](std::uint32_t from, std::uint32_t to, std::vector<Step>& out,
                        ValueJudge& counted) {
    for (std::uint32_t i = from; i < to && out.size() < kMostRows; ++i) {
      if (!includeReadOnly && a.ReadOnly(i)) continue;
      if (SamePairedBytes(a, i, b, i, units) || SamePairedValue(a, i, b, i, counted)) continue;
      out.push_back(Step{i, i});
    }
  };
  const auto size = static_cast<std::uint32_t>(a.Size());
  const std::uint32_t half = size < kTwoHalves ? size : size / 2;
  std::vector<Step> steps;
  std::vector<Step> later;
  ValueJudge first = judge.Fresh();
  ValueJudge second = judge.Fresh();
  ThrowIf(RunBoth([&] { scan(0, half, steps, first); }, [&] { scan(half, size, later, second); }));
  judge.Add(first.Counts());
  judge.Add(second.Counts());
  const std::size_t room = kMostRows - std::min(kMostRows, steps.size());
  steps.insert(steps.end(), later.begin(),
               later.begin() + static_cast<std::ptrdiff_t>(std::min(room, later.size())));
  return steps;
}

// The steps made into rows, in place.
std::vector<DifferenceRow> RowsOfSteps(const AddressTable& a, const AddressTable& b,
                                       const std::vector<Step>& steps, const ValueJudge& judge,
                                       const FetchFn& fetch) {
  std::vector<DifferenceRow> rows(steps.size());
  if (steps.size() >= kTwoRowHalves && a.KnowsPlaces() && b.KnowsPlaces()) {
    // Tables that know where their lines start read their texts again from
    // there, so each half of the rows is made on a core of its own.
    const std::size_t half = steps.size() / 2;
    ThrowIf(RunBoth([&] { MakeRows(a, b, steps.data(), half, rows.data(), judge, fetch); },
                    [&] {
                      MakeRows(a, b, steps.data() + half, steps.size() - half, rows.data() + half,
                               judge, fetch);
                    }));
  } else {
    MakeRows(a, b, steps.data(), steps.size(), rows.data(), judge, fetch);
  }
  return rows;
}

// Lists the differences of two tables, paired by address; returns their count.
std::int16_t ListByAddress(const AddressTable& a, const AddressTable& b, DifferenceList& list,
                           bool includeReadOnly, ValueJudge& judge, const FetchFn& fetch) {
  const std::vector<Step> steps = a.SameAddresses(b)
                                      ? StepsOfSameAddresses(a, b, includeReadOnly, judge)
                                      : StepsInListOrder(a, b, includeReadOnly, judge);
  // The list takes the rows as they are.
  list.Append(RowsOfSteps(a, b, steps, judge, fetch));
  return CheckedAdd16(0, static_cast<long long>(steps.size()));
}

}  // namespace

// Archives whose parameter lines have the same addresses in the same order,
// "$" lines facing "$" lines, as two versions of one machine's archive have,
// pair line i with line i: they are compared as they are read, the way the
// comparison by position reads, with no tables. Returns false once they are
// found not to be such archives, or at a line that fails to split: no message
// is told here, so that reading into tables tells every one at its own pace.
bool CompareInStep(std::unique_ptr<TextStream> stream1, std::unique_ptr<TextStream> stream2,
                   const CompareOptions& options, ValueJudge& judge, const ReadSizes& sizes,
                   std::vector<DifferenceRow>& rows) {
  using Line = BatchReader::Line;
  BatchReader reader1(std::move(stream1), sizes, nullptr, BatchReader::Reading::Whole,
                      BatchReader::Where::CallersThread);
  BatchReader reader2(std::move(stream2), sizes, nullptr, BatchReader::Reading::Whole);
  for (;;) {
    const bool end1 = reader1.AtEnd();
    const bool end2 = reader2.AtEnd();
    if (end1 && end2) return true;
    if (end1 || end2) {
      // The longer archive may go on with "$" lines only, which never fail.
      if (!(end1 ? reader2 : reader1).Next().Dollar()) return false;
      continue;
    }
    // The same lines pass at once, as by position.
    if (BatchReader::PassSamePairs(reader1, reader2) > 0) continue;
    const Line& read1 = reader1.Next();
    const Line& read2 = reader2.Next();
    if (reader1.ParseFailure(read1) != nullptr || reader2.ParseFailure(read2) != nullptr) {
      return false;
    }
    if (read1.Dollar() || read2.Dollar()) {
      if (read1.Dollar() && read2.Dollar()) continue;
      return false;
    }
    const Line line1 = reader1.Split(read1);
    const Line line2 = reader2.Split(read2);
    if (line1.Number() != line2.Number() || line1.Member() != line2.Member()) return false;
    if ((!options.IncludeReadOnly && line1.ReadOnly()) || SameLines(line1, line2, judge)) continue;
    // The lines are still read to the end, for the test and their failures.
    if (rows.size() < kMostRows) rows.push_back(RowOfLines(line1, line2, judge));
  }
}

namespace {

// Tables that keep what the judge needs of their lines.
void Prepare(AddressTable& table, const ValueJudge& judge) {
  table.SetRules(judge.RulesInUse());
  if (judge.JudgesUnits()) table.KeepUnits();
}

// Both archives are read, parsed and put in their tables on cores of their
// own, and taken here in step, so lines that fail to split are told in the
// same order as when pairing by position.
void ReadPairTables(Streams& streams, const ReadSizes& sizes, AddressTable& t1, AddressTable& t2) {
  TableFiller fill1(t1, streams[0]->Size());
  TableFiller fill2(t2, streams[1]->Size());
  BatchReader reader1(std::move(streams[0]), sizes, &fill1);
  BatchReader reader2(std::move(streams[1]), sizes, &fill2);
  ReadThrough({&reader1, &reader2}, RunReporter());
}

// Archives compared as they are read, when they are such archives: the rows
// added to the list and their count; nothing when not.
std::optional<std::int16_t> ListInStep(Streams& streams, DifferenceList& list,
                                       const CompareOptions& options, ValueJudge& judge,
                                       const ReadSizes& sizes) {
  std::vector<DifferenceRow> rows;
  // What it counts holds only if it gets to the end.
  ValueJudge inStep = judge.Fresh();
  if (!CompareInStep(std::move(streams[0]), std::move(streams[1]), options, inStep, sizes, rows)) {
    return std::nullopt;
  }
  judge.Add(inStep.Counts());
  const auto count = static_cast<long long>(rows.size());
  list.Append(std::move(rows));
  return CheckedAdd16(0, count);
}

void ArchivesByAddress(const std::string& archive1, const std::string& archive2,
                       DifferenceList& list, const CompareOptions& options, const ReadSizes& sizes,
                       bool inStepFirst) {
  ValueJudge judge = JudgeOf(options);
  RunPair(ArchivesFrame(archive1, archive2), list, sizes, judge, [&](Streams& streams) {
    if (inStepFirst) {
      if (const auto count = ListInStep(streams, list, options, judge, sizes)) return *count;
      // Read again, into tables.
      streams[0] = std::make_unique<TextStream>(archive1, TextStream::Mode::Read, sizes.buffer);
      streams[1] = std::make_unique<TextStream>(archive2, TextStream::Mode::Read, sizes.buffer);
    }
    AddressTable t1;
    AddressTable t2;
    Prepare(t1, judge);
    Prepare(t2, judge);
    ReadPairTables(streams, sizes, t1, t2);
    const auto fetch = [&sizes](const std::string& path, TextRequest& r) {
      if (r.indexes.empty()) return;
      TextStream again(path, TextStream::Mode::Read, sizes.buffer);
      FetchTextsAt(again, r);
    };
    return ListByAddress(t1, t2, list, options.IncludeReadOnly, judge,
                         [&](TextRequest& first, TextRequest& second) {
                           fetch(archive1, first);
                           fetch(archive2, second);
                         });
  });
}

}  // namespace

void CompareArchivesByAddress(const std::string& archive1, const std::string& archive2,
                              DifferenceList& list, const CompareOptions& options,
                              const ReadSizes& sizes) {
  ArchivesByAddress(archive1, archive2, list, options, sizes, true);
}

void CompareArchivesInTables(const std::string& archive1, const std::string& archive2,
                             DifferenceList& list, const CompareOptions& options,
                             const ReadSizes& sizes) {
  ArchivesByAddress(archive1, archive2, list, options, sizes, false);
}

void CompareStructuresByAddress(const std::string& archive, std::int16_t structure1,
                                std::int16_t structure2, DifferenceList& list,
                                const CompareOptions& options, const ReadSizes& sizes) {
  ValueJudge judge = JudgeOf(options);
  RunPair(StructuresFrame(archive), list, sizes, judge, [&](Streams& streams) {
    AddressTable t1(structure1);
    AddressTable t2(structure2);
    Prepare(t1, judge);
    Prepare(t2, judge);
    ReadTables(*streams[0], t1, t2, RunReporter());
    streams[0]->Close();
    return ListByAddress(t1, t2, list, options.IncludeReadOnly, judge,
                         [&](TextRequest& first, TextRequest& second) {
                           TextStream again(archive, TextStream::Mode::Read, sizes.buffer);
                           FetchTexts(again, {&first, &second});
                         });
  });
}

}  // namespace parvex
