#include "engine/taking/Taking.h"

#include <algorithm>
#include <exception>
#include <future>
#include <map>
#include <set>

#include "engine/base/Failure.h"
#include "engine/reading/Archive.h"
#include "engine/reading/TextStream.h"
#include "engine/values/Rules.h"

namespace parvex {

namespace {

// The run time's "invalid procedure call or argument".
constexpr std::int32_t kErrArgument = 5;

// The pieces of a comma-separated list, blanks around each left off.
std::vector<std::string_view> Pieces(std::string_view list) {
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0; start <= list.size();) {
    std::size_t end = list.find(',', start);
    if (end == std::string_view::npos) end = list.size();
    std::string_view piece = list.substr(start, end - start);
    while (!piece.empty() && piece.front() == ' ') piece.remove_prefix(1);
    while (!piece.empty() && piece.back() == ' ') piece.remove_suffix(1);
    if (!piece.empty()) pieces.push_back(piece);
    start = end + 1;
  }
  return pieces;
}

}  // namespace

void TakeChoice::AddAddresses(std::string_view patterns) {
  for (const std::string_view piece : Pieces(patterns)) {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::string why;
    if (!ReadAddressRange(piece, first, last, why)) {
      throw Failure(kErrArgument, "\"" + std::string(piece) + "\": " + why);
    }
    ranges_.emplace_back(first, last);
    addressTexts_.emplace_back(piece);
  }
}

void TakeChoice::AddDescriptions(std::string_view globs) {
  for (const std::string_view piece : Pieces(globs)) globs_.emplace_back(piece);
}

bool TakeChoice::Chooses(std::uint32_t key, std::string_view description) const {
  for (const auto& [first, last] : ranges_) {
    if (key >= first && key <= last) return true;
  }
  return std::any_of(globs_.begin(), globs_.end(),
                     [&](const std::string& glob) { return GlobMatches(glob, description); });
}

std::string TakeSummary(const TakeCounts& c) {
  return std::to_string(c.taken) + " values taken, " + std::to_string(c.equal) +
         " already equal, " + std::to_string(c.readOnly) + " read-only left alone, " +
         std::to_string(c.added) + " added, " + std::to_string(c.sourceOnly) +
         " in the source only (not added)";
}

bool LineSplits(std::string_view line) {
  std::size_t tabs = 0;
  for (const char c : line) {
    if (c == '\t' && ++tabs == 3) break;
  }
  if (tabs < 3) return false;
  const std::string_view address = line.substr(0, line.find('\t'));
  if (!IsNumericAddress(address)) return false;
  try {
    ArchiveFields fields;
    ParseArchiveLine(line, fields);
  } catch (...) {
    return false;  // an address out of range, or a number missing
  }
  return true;
}

void TakeSide::Read(const std::string& path, const TakeSettings& settings) {
  const TakeChoice& choice = settings.choice;
  TextStream stream(path, TextStream::Mode::Read, settings.sizes.buffer);
  fileSize_ = stream.Size();
  table_.KeepUnits();
  table_.SetRules(settings.options.AppliedRules.get());
  const bool everything = choice.Everything();
  ArchiveFields fields;
  while (!stream.AtEndOfStream()) {
    const std::string_view line = stream.ReadLine();
    if (!line.empty() && line.front() == '$') continue;
    bool failed = false;
    try {
      ParseArchiveLine(line, fields);
    } catch (...) {
      failed = true;  // the fields hold what was read before, as when comparing
    }
    table_.Add(fields);
    const bool chosen =
        !everything &&
        choice.Chooses(AddressKey(fields.ParamNumber, fields.SubIndex), fields.Description);
    // Only lines read as -1.0 (too few fields, an address that is no
    // number) or 0.0 (an empty line) can fail to split without a failure.
    const bool odd = fields.SubIndex == 0 && (fields.ParamNumber == -1 || fields.ParamNumber == 0);
    AddMark(!failed && (!odd || LineSplits(line)), chosen);
  }
}

void ReadSides(TakeSide& target, const std::string& targetPath, TakeSide& source,
               const std::string& sourcePath, const TakeSettings& settings) {
  auto second = std::async(std::launch::async, [&] { source.Read(sourcePath, settings); });
  std::exception_ptr failure;
  try {
    target.Read(targetPath, settings);
  } catch (...) {
    failure = std::current_exception();
  }
  second.wait();
  if (failure) std::rethrow_exception(failure);
  second.get();
}

std::size_t KeyLookup::First(std::uint32_t key) const {
  std::size_t low = 0;
  std::size_t high = order_.Size();
  while (low < high) {
    const std::size_t mid = low + (high - low) / 2;
    if (order_.Key(mid) < key) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low;
}

std::uint32_t KeyLookup::Find(std::uint32_t key, std::uint32_t occurrence) const {
  if (occurrence == 0) return kNoPartner;
  const std::size_t n = First(key) + occurrence - 1;
  return n < order_.Size() && order_.Key(n) == key ? order_.Index(n) : kNoPartner;
}

std::uint32_t KeyLookup::Count(std::uint32_t key) const {
  std::size_t n = First(key);
  const std::size_t first = n;
  while (n < order_.Size() && order_.Key(n) == key) ++n;
  return static_cast<std::uint32_t>(n - first);
}

std::uint32_t KeyLookup::Occurrence(std::uint32_t key, std::uint32_t i) const {
  const std::size_t first = First(key);
  for (std::size_t n = first; n < order_.Size() && order_.Key(n) == key; ++n) {
    if (order_.Index(n) == i) return static_cast<std::uint32_t>(n - first + 1);
  }
  return 0;
}

std::uint32_t KeyLookup::PlaceAfter(std::uint32_t key, std::uint32_t after) const {
  const std::uint32_t count = Count(key);
  if (count == 0) return after;
  // Within an address the order holds the lines in file order.
  return std::max(after, order_.Index(First(key) + count - 1) + 1);
}

void TakePlan::AddChange(const Change& change, const ArchiveFields& old, std::string_view value,
                         std::string_view units) {
  changes.push_back(change);
  olds.Add(old);
  ArchiveFields fields = old;
  fields.Value = value;
  fields.Units = units;
  news.Add(fields);
}

ArchiveFields FieldsOfKey(std::uint32_t key) {
  ArchiveFields fields;
  fields.ParamNumber = static_cast<std::int16_t>(static_cast<std::uint16_t>((key >> 16) ^ 0x8000U));
  fields.SubIndex =
      static_cast<std::int16_t>(static_cast<std::uint16_t>((key & 0xFFFFU) ^ 0x8000U));
  return fields;
}

namespace {

// Decides the paired lines.
void PlanPairs(const TakeSide& target, const TakeSide& source, const TakeSettings& s,
               const Partners& p, TakePlan& plan) {
  const AddressTable& a = target.Table();
  const AddressTable& b = source.Table();
  const bool everything = s.choice.Everything();
  const CompareOptions& o = s.options;
  ValueJudge judge(o.NumbersByValue, o.AppliedRules.get(), true);
  // A line chosen by name is taken whatever the rules would leave out.
  ValueJudge chosenJudge(o.NumbersByValue, nullptr, true);
  for (std::uint32_t i = 0; i < a.Size(); ++i) {
    const std::uint32_t j = p.first[i];
    if (j == kNoPartner) continue;
    if (!everything && !target.Chosen(i) && !source.Chosen(j)) continue;
    if (a.SameValueAndUnits(i, b, j) ||
        SamePairedValue(a, i, b, j, everything ? judge : chosenJudge)) {
      ++plan.counts.equal;
    } else if (a.ReadOnly(i) && !o.IncludeReadOnly) {
      ++plan.counts.readOnly;
    } else if (!target.Splits(i) || !source.Splits(j)) {
      ++plan.counts.unsplit;
    } else {
      ArchiveFields old = FieldsOfKey(a.Key(i));
      old.Value = a.Value(i);
      old.Units = a.Units(i);
      old.ReadOnly = a.ReadOnly(i);
      plan.AddChange({i, j}, old, b.Value(j), b.Units(j));
      ++plan.counts.taken;
    }
  }
}

// Decides the lines the target lacks.
void PlanSourceOnly(const TakeSide& target, const TakeSide& source, const TakeSettings& s,
                    const Partners& p, const KeyLookup& lookup, TakePlan& plan) {
  const AddressTable& a = target.Table();
  const AddressTable& b = source.Table();
  const bool everything = s.choice.Everything();
  ValueJudge judge(s.options.NumbersByValue, s.options.AppliedRules.get(), true);
  std::map<std::uint32_t, std::uint32_t> lastPlace;  // of the lines added, by key
  std::map<std::uint32_t, std::uint32_t> addedOfKey;
  // Addresses with a line not added: a later line of theirs would take its
  // occurrence, and is not added either.
  std::set<std::uint32_t> held;
  std::uint32_t after = 0;  // after the partner of the last paired source line
  for (std::uint32_t j = 0; j < b.Size(); ++j) {
    if (p.second[j] != kNoPartner) {
      after = p.second[j] + 1;
      continue;
    }
    const bool chosen = everything || source.Chosen(j);
    const bool readOnly = b.ReadOnly(j) && !s.options.IncludeReadOnly;
    if (!s.addMissing || !chosen || readOnly || held.count(b.Key(j)) > 0 ||
        (everything && LeftOutAlone(b, j, judge)) || !source.Splits(j)) {
      held.insert(b.Key(j));
      if (chosen) ++(readOnly && s.addMissing ? plan.counts.readOnly : plan.counts.sourceOnly);
    } else {
      std::uint32_t& place = lastPlace[b.Key(j)];
      place = std::max(place, lookup.PlaceAfter(b.Key(j), after));
      TakePlan::Addition added{place, j, {}, lookup.Count(b.Key(j)) + ++addedOfKey[b.Key(j)], {}};
      if (place > 0) {
        const std::uint32_t key = a.Key(place - 1);
        added.afterLine.emplace(key, lookup.Occurrence(key, place - 1));
      }
      plan.additions.push_back(std::move(added));
      ++plan.counts.added;
    }
  }
  std::stable_sort(plan.additions.begin(), plan.additions.end(),
                   [](const auto& x, const auto& y) { return x.after < y.after; });
}

}  // namespace

TakePlan PlanTaking(const TakeSide& target, const TakeSide& source, const TakeSettings& s) {
  const Partners p = Pair(target.Table(), source.Table());
  const KeyLookup lookup(target.Table());
  TakePlan plan;
  plan.targetLines = static_cast<std::uint32_t>(target.Table().Size());
  plan.targetSize = target.FileSize();
  PlanPairs(target, source, s, p, plan);
  PlanSourceOnly(target, source, s, p, lookup, plan);
  return plan;
}

void ReadAddedLines(const std::string& source, const ReadSizes& sizes, TakePlan& plan) {
  if (plan.additions.empty()) return;
  std::vector<std::pair<std::uint32_t, std::size_t>> wanted;  // (source index, addition)
  for (std::size_t k = 0; k < plan.additions.size(); ++k) {
    wanted.emplace_back(plan.additions[k].source, k);
  }
  std::sort(wanted.begin(), wanted.end());
  TextStream stream(source, TextStream::Mode::Read, sizes.buffer);
  std::uint32_t index = 0;
  std::size_t next = 0;
  while (next < wanted.size() && !stream.AtEndOfStream()) {
    const std::string_view line = stream.ReadLine();
    if (!line.empty() && line.front() == '$') continue;
    for (; next < wanted.size() && wanted[next].first == index; ++next) {
      plan.additions[wanted[next].second].line = std::string(line);
    }
    ++index;
  }
  if (next < wanted.size()) {
    throw Failure(kErrFileAccess, "'" + source + "' changed while it was read");
  }
}

}  // namespace parvex
