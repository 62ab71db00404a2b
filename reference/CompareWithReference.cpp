#include "reference/CompareWithReference.h"

#include <algorithm>
#include <atomic>
#include <compare>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "engine/base/Failure.h"
#include "engine/pairing/AddressTable.h"
#include "engine/pairing/Pairing.h"
#include "engine/reading/TextStream.h"
#include "reference/ArchiveReading.h"
#include "reference/Inputs.h"
#include "reference/Outcome.h"
#include "reference/ReferenceInStep.h"

namespace parvex {

namespace {

// The reference as every worker sees it, read-only.
struct SharedReference {
  AddressTable table;
  std::unique_ptr<AddressOrder> order;
  std::unique_ptr<ReferenceLines> lines;  // when archives can be compared as read
};

// Finds for each extra line the reference line paired with the nearest line
// before it in the archive.
void PlaceExtras(const Partners& p, std::vector<Extra>& extras) {
  if (extras.empty()) return;
  std::vector<std::size_t> byLine(extras.size());
  for (std::size_t k = 0; k < byLine.size(); ++k) byLine[k] = k;
  std::sort(byLine.begin(), byLine.end(),
            [&](std::size_t x, std::size_t y) { return extras[x].line < extras[y].line; });
  std::uint32_t after = kNoPartner;
  std::uint32_t j = 0;
  for (const std::size_t k : byLine) {
    for (; j < extras[k].line; ++j) {
      if (p.second[j] != kNoPartner) after = p.second[j];
    }
    extras[k].after = after;
  }
}

void Deviations(const SharedReference& ref, const AddressTable& table,
                const ReferenceRequest& request, const std::string& path, Outcome& out) {
  const AddressTable& a = ref.table;
  const AddressOrder order(table);
  const Partners p = Pair(*ref.order, order);
  const bool withReadOnly = request.options.IncludeReadOnly;
  ValueJudge judge = JudgeOf(request.options);
  const bool judgesUnits = judge.JudgesUnits();
  // As in a pair, a line left out by the read-only option is judged by the
  // reference's mark where the reference has it, else by the archive's.
  for (std::uint32_t i = 0; i < a.Size(); ++i) {
    if (!withReadOnly && a.ReadOnly(i)) continue;
    const std::uint32_t j = p.first[i];
    if (j == kNoPartner) {
      if (LeftOutAlone(a, i, judge)) continue;
      out.atReference.push_back({i, true, {}, {}});
      ++out.summary.missing;
    } else if (!SamePairedBytes(a, i, table, j, judgesUnits) &&
               !SamePairedValue(a, i, table, j, judge)) {
      std::optional<std::string> units;
      if (table.Units(j) != a.Units(i)) units = std::string(table.Units(j));
      out.atReference.push_back({i, false, std::string(table.Value(j)), std::move(units)});
      ++out.summary.differ;
    }
  }
  TextRequest texts{&table, {}, {}};
  std::uint32_t occurrence = 0;
  for (std::size_t n = 0; n < order.Size(); ++n) {
    occurrence = n > 0 && order.Key(n - 1) == order.Key(n) ? occurrence + 1 : 0;
    const std::uint32_t j = order.Index(n);
    if (p.second[j] != kNoPartner || (!withReadOnly && table.ReadOnly(j))) continue;
    if (LeftOutAlone(table, j, judge)) continue;
    out.extras.push_back({order.Key(n),
                          occurrence,
                          kNoPartner,
                          j,
                          table.AddressText(j),
                          std::string(table.Value(j)),
                          {},
                          {}});
    texts.indexes.push_back(j);
    ++out.summary.extra;
  }
  PlaceExtras(p, out.extras);
  out.summary.ignored = judge.Counts().ignored;
  out.summary.tolerated = judge.Counts().tolerated;
  if (texts.indexes.empty()) return;
  // Their descriptions and units are read again, from where each line starts.
  std::vector<std::uint32_t> byLine = texts.indexes;
  std::sort(texts.indexes.begin(), texts.indexes.end());
  TextStream again(path, TextStream::Mode::Read, request.sizes.buffer);
  FetchTextsAt(again, texts);
  for (std::size_t k = 0; k < byLine.size(); ++k) {
    const auto at = std::lower_bound(texts.indexes.begin(), texts.indexes.end(), byLine[k]);
    TextRequest::Texts& t = texts.texts[static_cast<std::size_t>(at - texts.indexes.begin())];
    out.extras[k].description = std::move(t.Description);
    out.extras[k].units = std::move(t.Units);
  }
}

void CompareOne(const SharedReference& ref, const ReferenceRequest& request, std::size_t k,
                Outcome& out) {
  out.summary.path = request.archives[k];
  out.summary.name = k < request.names.size() ? request.names[k] : request.archives[k];
  if (ref.lines) {
    const ArchiveSummary named = out.summary;
    if (CompareWhileReading(*ref.lines, ref.table, request, out.summary.path, out)) return;
    out.summary = named;
    out.atReference.clear();
    out.extras.clear();
  }
  try {
    AddressTable table;
    table.SetRules(request.options.AppliedRules.get());
    if (request.options.CompareUnits) table.KeepUnits();
    if (!ReadArchive(out.summary.path, request.sizes, table, out.summary)) return;
    Deviations(ref, table, request, out.summary.path, out);
  } catch (...) {
    // Out of memory, or the file gone between two readings: this archive
    // alone is lost, and says why.
    const Failure failure = CurrentFailure();
    out.atReference.clear();
    out.extras.clear();
    out.summary.readable = false;
    out.summary.differ = out.summary.missing = out.summary.extra = 0;
    out.summary.ignored = out.summary.tolerated = 0;
    out.summary.failure = FailureText(failure.Number(), failure.Description());
  }
}

void CompareAll(const SharedReference& ref, const ReferenceRequest& request,
                std::vector<Outcome>& outcomes) {
  const std::size_t total = outcomes.size();
  unsigned jobs = request.jobs;
  if (jobs == 0) jobs = std::max(1U, std::thread::hardware_concurrency());
  jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, total));
  std::atomic<std::size_t> next{0};
  std::mutex told;
  std::size_t done = 0;
  const auto stopped = [&] {
    return request.cancel != nullptr && request.cancel->load(std::memory_order_relaxed);
  };
  const auto work = [&] {
    for (std::size_t k = next++; k < total && !stopped(); k = next++) {
      CompareOne(ref, request, k, outcomes[k]);
      if (request.progress) {
        const std::lock_guard<std::mutex> lock(told);
        request.progress(++done, total);
      }
    }
  };
  std::vector<std::thread> pool;
  for (unsigned n = 1; n < jobs; ++n) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
}

// The occurrence of each line of a table among the lines of its address.
std::vector<std::uint32_t> Occurrences(const AddressOrder& order) {
  std::vector<std::uint32_t> occurrences(order.Size(), 0);
  for (std::size_t n = 1; n < order.Size(); ++n) {
    if (order.Key(n - 1) == order.Key(n)) {
      occurrences[order.Index(n)] = occurrences[order.Index(n - 1)] + 1;
    }
  }
  return occurrences;
}

// Where a row stands: after the reference line (numbered from 1, 0 before
// every line), the reference's own row first, then lines it lacks in the
// order they first appear: by archive, then by line.
struct Place {
  std::uint64_t after = 0;
  std::uint32_t extra = 0;
  std::uint32_t archive = 0;
  std::uint32_t line = 0;
  auto operator<=>(const Place&) const = default;
};

void InPlace(const std::vector<Place>& places, std::vector<ReferenceRow>& rows) {
  std::vector<std::size_t> order(rows.size());
  for (std::size_t r = 0; r < order.size(); ++r) order[r] = r;
  std::sort(order.begin(), order.end(),
            [&](std::size_t x, std::size_t y) { return places[x] < places[y]; });
  std::vector<ReferenceRow> sorted;
  sorted.reserve(rows.size());
  for (const std::size_t r : order) sorted.push_back(std::move(rows[r]));
  rows = std::move(sorted);
}

// An extra line's place among the rows the reference lacks.
std::uint64_t ExtraKey(const Extra& e) {
  return (std::uint64_t{e.key} << 32) | e.occurrence;
}

template <typename T>
void SortUnique(std::vector<T>& v) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
}

// The rows of the reference's lines that deviate somewhere, in its order,
// with their texts read again from it.
void ReferenceRows(const SharedReference& ref, const ReferenceRequest& request,
                   const std::vector<std::uint32_t>& lines, std::vector<ReferenceRow>& rows) {
  TextRequest texts{&ref.table, lines, {}};
  if (!lines.empty()) {
    TextStream again(request.reference, TextStream::Mode::Read, request.sizes.buffer);
    FetchTextsAt(again, texts);
  }
  const std::vector<std::uint32_t> occurrences = Occurrences(*ref.order);
  for (std::size_t r = 0; r < lines.size(); ++r) {
    ReferenceRow& row = rows[r];
    row.address = ref.table.AddressText(lines[r]);
    row.occurrence = occurrences[lines[r]];
    row.description = std::move(texts.texts[r].Description);
    row.units = std::move(texts.texts[r].Units);
    row.reference = std::string(ref.table.Value(lines[r]));
  }
}

// Archive k's deviations as cells of the rows: at the reference's lines, and
// in the rows it lacks, each such row described and placed by the first
// archive that has its line.
void PlaceCells(std::uint32_t k, Outcome& o, const std::vector<std::uint32_t>& lines,
                const std::vector<std::uint64_t>& extraKeys, std::vector<ReferenceRow>& rows,
                std::vector<Place>& places) {
  for (AtReference& d : o.atReference) {
    const auto r = std::lower_bound(lines.begin(), lines.end(), d.line) - lines.begin();
    rows[static_cast<std::size_t>(r)].cells.push_back(
        {k, d.missing ? ReferenceCell::Kind::Missing : ReferenceCell::Kind::Value,
         std::move(d.value), std::move(d.units)});
  }
  for (Extra& e : o.extras) {
    const auto x = static_cast<std::size_t>(
        std::lower_bound(extraKeys.begin(), extraKeys.end(), ExtraKey(e)) - extraKeys.begin());
    ReferenceRow& row = rows[lines.size() + x];
    if (row.cells.empty()) {
      row.address = std::move(e.address);
      row.occurrence = e.occurrence;
      row.description = std::move(e.description);
      row.units = std::move(e.units);
      row.inReference = false;
      places[lines.size() + x] = {e.after == kNoPartner ? 0 : std::uint64_t{e.after} + 1, 1, k,
                                  e.line};
    }
    row.cells.push_back({k, ReferenceCell::Kind::Value, std::move(e.value), {}});
  }
  o.atReference = {};
  o.extras = {};
}

// The matrix from every archive's deviations: the reference's rows in its
// order, and beside them the rows it lacks, each after the reference line
// that comes before it in the first archive that has it.
void BuildRows(const SharedReference& ref, const ReferenceRequest& request,
               std::vector<Outcome>& outcomes, ReferenceResult& result) {
  std::vector<std::uint32_t> lines;
  std::vector<std::uint64_t> extraKeys;
  for (const Outcome& o : outcomes) {
    for (const AtReference& d : o.atReference) lines.push_back(d.line);
    for (const Extra& e : o.extras) extraKeys.push_back(ExtraKey(e));
  }
  SortUnique(lines);
  SortUnique(extraKeys);
  std::vector<ReferenceRow>& rows = result.rows;
  rows.resize(lines.size() + extraKeys.size());
  ReferenceRows(ref, request, lines, rows);
  std::vector<Place> places(rows.size());
  for (std::size_t r = 0; r < lines.size(); ++r) places[r] = {std::uint64_t{lines[r]} + 1, 0, 0, 0};
  for (std::uint32_t k = 0; k < outcomes.size(); ++k) {
    PlaceCells(k, outcomes[k], lines, extraKeys, rows, places);
  }
  InPlace(places, rows);
}

// A file that a folder's walk found and that is no archive (a read-me, a
// picture) is no machine: no column, not counted, only named.
void PassOverOtherFiles(const ReferenceRequest& request, std::vector<Outcome>& outcomes,
                        std::vector<std::string>& skipped) {
  std::size_t kept = 0;
  for (std::size_t k = 0; k < outcomes.size(); ++k) {
    const bool found = k < request.fromFolder.size() && request.fromFolder[k];
    if (found && outcomes[k].summary.notArchive) {
      skipped.push_back(outcomes[k].summary.name);
      continue;
    }
    if (kept != k) outcomes[kept] = std::move(outcomes[k]);
    ++kept;
  }
  outcomes.resize(kept);
}

}  // namespace

ReferenceResult CompareWithReference(const ReferenceRequest& request) {
  ReferenceResult result;
  result.options = request.options;
  result.reference.path = request.reference;
  result.reference.name = FileNameOf(request.reference);
  SharedReference ref;
  std::vector<Outcome> outcomes(request.archives.size());
  bool readable = false;
  try {
    ref.table.SetRules(request.options.AppliedRules.get());
    if (request.options.CompareUnits) ref.table.KeepUnits();
    readable = ReadArchive(request.reference, request.sizes, ref.table, result.reference);
  } catch (...) {
    const Failure failure = CurrentFailure();
    result.reference.failure = FailureText(failure.Number(), failure.Description());
  }
  if (readable) {
    ref.order = std::make_unique<AddressOrder>(ref.table);
    try {
      if (request.asRead)
        ref.lines = ReferenceLines::Read(request.reference, request.sizes, ref.table);
    } catch (...) {
      // Read again it could not be: its archives are compared through tables.
    }
    CompareAll(ref, request, outcomes);
    result.cancelled = request.cancel != nullptr && request.cancel->load();
    PassOverOtherFiles(request, outcomes, result.skipped);
  }
  if (result.cancelled) {
    // What was compared so far is no answer; the caller keeps what it had.
  } else if (readable) {
    try {
      BuildRows(ref, request, outcomes, result);
    } catch (...) {
      const Failure failure = CurrentFailure();
      result.rows.clear();
      result.reference.readable = false;
      result.reference.failure = FailureText(failure.Number(), failure.Description());
    }
  } else {
    for (std::size_t k = 0; k < outcomes.size(); ++k) {
      outcomes[k].summary.path = request.archives[k];
      outcomes[k].summary.name = k < request.names.size() ? request.names[k] : request.archives[k];
    }
  }
  for (Outcome& o : outcomes) result.archives.push_back(std::move(o.summary));
  return result;
}

}  // namespace parvex
