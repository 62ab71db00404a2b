#include "engine/taking/ChangeSet.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "engine/base/Failure.h"
#include "engine/base/Path.h"
#include "engine/pairing/Pairing.h"
#include "engine/reading/Archive.h"
#include "engine/reading/TextStream.h"
#include "engine/taking/Rewrite.h"
#include "engine/taking/Sha256.h"
#include "engine/values/Rules.h"

namespace parvex {

namespace {

// Which occurrence of its address (from 1) each changed line of the target
// is, counting every parameter line as a table reads it.
std::vector<std::uint32_t> Occurrences(const std::string& target, const TakePlan& plan,
                                       const ReadSizes& sizes) {
  std::unordered_map<std::uint32_t, std::uint32_t> seen;  // the changed lines' keys
  for (std::size_t k = 0; k < plan.changes.size(); ++k) seen.emplace(plan.olds.Key(k), 0);
  std::vector<std::uint32_t> occurrences;
  TextStream stream(target, TextStream::Mode::Read, sizes.buffer);
  ArchiveFields fields;
  std::uint32_t index = 0;
  while (occurrences.size() < plan.changes.size()) {
    if (stream.AtEndOfStream()) {
      throw Failure(kErrFileAccess, "'" + target + "' changed while it was read");
    }
    const std::string_view line = stream.ReadLine();
    if (!line.empty() && line.front() == '$') continue;
    try {
      ParseArchiveLine(line, fields);
    } catch (...) {
      // The fields hold what was read before, as in the table.
    }
    const auto at = seen.find(AddressKey(fields.ParamNumber, fields.SubIndex));
    if (at != seen.end()) {
      ++at->second;
      if (plan.changes[occurrences.size()].target == index) occurrences.push_back(at->second);
    }
    ++index;
  }
  return occurrences;
}

// Takes the descriptions of the changed lines as the rewrite meets them.
class LineCollector final : public RewriteSink {
 public:
  LineCollector(const TakePlan& plan, const std::vector<std::uint32_t>& occurrences,
                std::vector<ChangeSet::Line>& lines)
      : plan_(plan), occurrences_(occurrences), lines_(lines) {}
  void Same(std::string_view) override {}
  void Added(std::string_view, std::string_view, std::size_t) override {}
  void Changed(std::string_view line, std::string_view, std::size_t k) override {
    ArchiveFields fields;
    ParseArchiveLine(line, fields);
    const AddressTable& olds = plan_.olds;
    lines_.push_back(ChangeSet::Line{
        AddressTable::TextOfKey(olds.Key(k)), occurrences_[k], std::string(fields.Description),
        fields.ReadOnly, std::string(olds.Value(k)), std::string(olds.Units(k)),
        std::string(plan_.news.Value(k)), std::string(plan_.news.Units(k))});
  }

 private:
  const TakePlan& plan_;
  const std::vector<std::uint32_t>& occurrences_;
  std::vector<ChangeSet::Line>& lines_;
};

}  // namespace

void FillChangeSet(const std::string& target, const TakePlan& plan, const TakeSettings& settings,
                   ChangeSet& changes) {
  const CompareOptions& o = settings.options;
  changes.numbersByValue = o.NumbersByValue;
  changes.includeReadOnly = o.IncludeReadOnly;
  changes.addMissing = settings.addMissing;
  changes.rules = o.AppliedRules ? o.AppliedRules->Path() : std::string();
  changes.only = settings.choice.AddressTexts();
  changes.onlyDescription = settings.choice.Globs();
  changes.lines.clear();
  changes.added.clear();
  if (!plan.changes.empty()) {
    const std::vector<std::uint32_t> occurrences = Occurrences(target, plan, settings.sizes);
    LineCollector collector(plan, occurrences, changes.lines);
    RewriteTarget(target, plan, settings.sizes, collector);
  }
  for (const TakePlan::Addition& a : plan.additions) {
    ArchiveFields fields;
    ParseArchiveLine(a.line, fields);
    ChangeSet::Added added{AddressTable::TextOfKey(AddressKey(fields.ParamNumber, fields.SubIndex)),
                           a.occurrence, std::nullopt, a.line};
    if (a.afterLine) {
      added.after.emplace(AddressTable::TextOfKey(a.afterLine->first), a.afterLine->second);
    }
    changes.added.push_back(std::move(added));
  }
}

ChangeSet MakeChangeSet(const std::string& targetPath, const std::string& sourcePath,
                        const TakePlan& plan, const TakeSettings& settings) {
  ChangeSet set;
  set.targetName = FileNameOf(targetPath);
  set.targetSize = plan.targetSize;
  set.targetSha256 = FileSha256(targetPath);
  set.sourceName = FileNameOf(sourcePath);
  FillChangeSet(targetPath, plan, settings, set);
  set.summary = TakeSummary(plan.counts);
  return set;
}

std::uint32_t KeyOfAddress(const std::string& address) {
  const std::size_t point = address.find('.');
  try {
    if (point == std::string::npos || !IsNumericAddress(address)) throw TypeMismatchFailure();
    return AddressKey(AddressPieceToInt16(std::string_view(address).substr(0, point)),
                      AddressPieceToInt16(std::string_view(address).substr(point + 1)));
  } catch (const Failure&) {
    throw Failure(kErrTypeMismatch, "\"" + address + "\" is no address (N.M)");
  }
}

namespace {

void PlanLines(const TakeSide& target, const ChangeSet& changes, const KeyLookup& lookup,
               std::vector<StaleLine>& stale, TakePlan& plan) {
  const AddressTable& t = target.Table();
  std::vector<TakePlan::Change> taken;  // the change set's line as source
  for (std::uint32_t k = 0; k < changes.lines.size(); ++k) {
    const ChangeSet::Line& line = changes.lines[k];
    const std::uint32_t i = lookup.Find(KeyOfAddress(line.address), line.occurrence);
    const std::string expected = ValueWithUnits(line.oldValue, line.oldUnits);
    if (i == kNoPartner) {
      stale.push_back({line.address, expected, "(missing)"});
    } else if (t.Value(i) == line.newValue && t.Units(i) == line.newUnits) {
      ++plan.counts.equal;
    } else if (t.Value(i) != line.oldValue || t.Units(i) != line.oldUnits) {
      stale.push_back({line.address, expected, ValueWithUnits(t.Value(i), t.Units(i))});
    } else if (t.ReadOnly(i) && !changes.includeReadOnly) {
      ++plan.counts.readOnly;
    } else if (!target.Splits(i)) {
      ++plan.counts.unsplit;
    } else {
      taken.push_back(TakePlan::Change{i, k});
      ++plan.counts.taken;
    }
  }
  std::sort(taken.begin(), taken.end(),
            [](const auto& a, const auto& b) { return a.target < b.target; });
  for (std::size_t n = 0; n < taken.size(); ++n) {
    const TakePlan::Change& c = taken[n];
    if (n > 0 && c.target == taken[n - 1].target) {
      throw Failure(kErrTypeMismatch,
                    "The change set names line " + changes.lines[c.source].address + " twice");
    }
    ArchiveFields old = FieldsOfKey(t.Key(c.target));
    old.Value = t.Value(c.target);
    old.Units = t.Units(c.target);
    old.ReadOnly = t.ReadOnly(c.target);
    plan.AddChange(c, old, changes.lines[c.source].newValue, changes.lines[c.source].newUnits);
  }
}

void PlanAdded(const TakeSide& target, const ChangeSet& changes, const KeyLookup& lookup,
               std::vector<StaleLine>& stale, TakePlan& plan) {
  const AddressTable& t = target.Table();
  std::map<std::uint32_t, std::uint32_t> lastPlace;
  for (const ChangeSet::Added& a : changes.added) {
    const std::uint32_t key = KeyOfAddress(a.address);
    ArchiveFields fields;
    ParseArchiveLine(a.line, fields);
    if (const std::uint32_t i = lookup.Find(key, a.occurrence); i != kNoPartner) {
      if (t.Value(i) == fields.Value && t.Units(i) == fields.Units) {
        ++plan.counts.equal;
      } else {
        stale.push_back({a.address, "(missing)", ValueWithUnits(t.Value(i), t.Units(i))});
      }
      continue;
    }
    std::uint32_t after = 0;
    if (a.after) {
      const std::uint32_t at = lookup.Find(KeyOfAddress(a.after->first), a.after->second);
      if (at == kNoPartner) {
        stale.push_back({a.address, "after " + a.after->first, "(missing)"});
        continue;
      }
      after = at + 1;
    }
    std::uint32_t& place = lastPlace[key];
    place = std::max(place, lookup.PlaceAfter(key, after));
    TakePlan::Addition added{place, 0, a.line, a.occurrence, {}};
    if (a.after) added.afterLine.emplace(KeyOfAddress(a.after->first), a.after->second);
    plan.additions.push_back(std::move(added));
    ++plan.counts.added;
  }
  std::stable_sort(plan.additions.begin(), plan.additions.end(),
                   [](const auto& x, const auto& y) { return x.after < y.after; });
}

}  // namespace

TakePlan PlanChangeSet(const TakeSide& target, const ChangeSet& changes,
                       std::vector<StaleLine>& stale) {
  const KeyLookup lookup(target.Table());
  TakePlan plan;
  plan.targetLines = static_cast<std::uint32_t>(target.Table().Size());
  plan.targetSize = target.FileSize();
  PlanLines(target, changes, lookup, stale, plan);
  PlanAdded(target, changes, lookup, stale, plan);
  plan.counts.stale = stale.size();
  return plan;
}

}  // namespace parvex
