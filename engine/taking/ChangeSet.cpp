#include "engine/taking/ChangeSet.h"

#include <algorithm>
#include <map>

#include "engine/base/Failure.h"
#include "engine/base/Path.h"
#include "engine/pairing/Pairing.h"
#include "engine/reading/Archive.h"
#include "engine/taking/Rewrite.h"
#include "engine/taking/Sha256.h"
#include "engine/values/Rules.h"

namespace parvex {

namespace {

std::int16_t Half(std::uint32_t half) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(half ^ 0x8000U));
}

// Takes the descriptions of the changed lines as the rewrite meets them.
class LineCollector final : public RewriteSink {
 public:
  LineCollector(const AddressTable& table, const KeyLookup& lookup, const TakePlan& plan,
                const AddressTable& values, std::vector<ChangeSet::Line>& lines)
      : table_(table), lookup_(lookup), plan_(plan), values_(values), lines_(lines) {}
  void Same(std::string_view) override {}
  void Added(std::string_view, std::string_view, std::size_t) override {}
  void Changed(std::string_view line, std::string_view, std::size_t change) override {
    const TakePlan::Change& c = plan_.changes[change];
    ArchiveFields fields;
    ParseArchiveLine(line, fields);
    const std::uint32_t key = table_.Key(c.target);
    lines_.push_back(ChangeSet::Line{
        AddressTable::TextOfKey(key), lookup_.Occurrence(key, c.target),
        std::string(fields.Description), fields.ReadOnly, std::string(table_.Value(c.target)),
        std::string(table_.Units(c.target)), std::string(values_.Value(c.source)),
        std::string(values_.Units(c.source))});
  }

 private:
  const AddressTable& table_;
  const KeyLookup& lookup_;
  const TakePlan& plan_;
  const AddressTable& values_;
  std::vector<ChangeSet::Line>& lines_;
};

}  // namespace

void FillChangeSet(const std::string& target, const TakeSide& targetSide, const TakePlan& plan,
                   const AddressTable& values, const TakeSettings& settings, ChangeSet& changes) {
  const CompareOptions& o = settings.options;
  changes.numbersByValue = o.NumbersByValue;
  changes.includeReadOnly = o.IncludeReadOnly;
  changes.addMissing = settings.addMissing;
  changes.rules = o.AppliedRules ? o.AppliedRules->Path() : std::string();
  changes.only = settings.choice.AddressTexts();
  changes.onlyDescription = settings.choice.Globs();
  const AddressTable& table = targetSide.Table();
  const KeyLookup lookup(table);
  changes.lines.clear();
  changes.added.clear();
  if (!plan.changes.empty()) {
    LineCollector collector(table, lookup, plan, values, changes.lines);
    TakePlan only;  // the changes alone: the added lines are taken from the plan
    only.changes = plan.changes;
    RewriteTarget(target, table, only, values, settings.sizes, collector);
  }
  std::map<std::uint32_t, std::uint32_t> addedOfKey;
  for (const TakePlan::Addition& a : plan.additions) {
    ArchiveFields fields;
    ParseArchiveLine(a.line, fields);
    const std::uint32_t key = AddressKey(fields.ParamNumber, fields.SubIndex);
    ChangeSet::Added added{AddressTable::TextOfKey(key), lookup.Count(key) + ++addedOfKey[key],
                           std::nullopt, a.line};
    if (a.after > 0) {
      const std::uint32_t at = a.after - 1;
      added.after.emplace(AddressTable::TextOfKey(table.Key(at)),
                          lookup.Occurrence(table.Key(at), at));
    }
    changes.added.push_back(std::move(added));
  }
}

ChangeSet MakeChangeSet(const std::string& targetPath, const TakeSide& target,
                        const std::string& sourcePath, const TakeSide& source, const TakePlan& plan,
                        const TakeSettings& settings) {
  ChangeSet set;
  set.targetName = FileNameOf(targetPath);
  set.targetSize = target.FileSize();
  set.targetSha256 = FileSha256(targetPath);
  set.sourceName = FileNameOf(sourcePath);
  FillChangeSet(targetPath, target, plan, source.Table(), settings, set);
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
               AddressTable& values, std::vector<StaleLine>& stale, TakePlan& plan) {
  const AddressTable& t = target.Table();
  for (std::uint32_t k = 0; k < changes.lines.size(); ++k) {
    const ChangeSet::Line& line = changes.lines[k];
    const std::uint32_t key = KeyOfAddress(line.address);
    ArchiveFields fields;
    fields.ParamNumber = Half(key >> 16);
    fields.SubIndex = Half(key & 0xFFFFU);
    fields.Value = line.newValue;
    fields.Units = line.newUnits;
    values.Add(fields);
    const std::uint32_t i = lookup.Find(key, line.occurrence);
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
      plan.changes.push_back(TakePlan::Change{i, k});
      ++plan.counts.taken;
    }
  }
  std::sort(plan.changes.begin(), plan.changes.end(),
            [](const auto& a, const auto& b) { return a.target < b.target; });
  for (std::size_t k = 1; k < plan.changes.size(); ++k) {
    if (plan.changes[k].target == plan.changes[k - 1].target) {
      throw Failure(kErrTypeMismatch, "The change set names line " +
                                          changes.lines[plan.changes[k].source].address + " twice");
    }
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
    plan.additions.push_back(TakePlan::Addition{place, 0, a.line});
    ++plan.counts.added;
  }
  std::stable_sort(plan.additions.begin(), plan.additions.end(),
                   [](const auto& x, const auto& y) { return x.after < y.after; });
}

}  // namespace

TakePlan PlanChangeSet(const TakeSide& target, const ChangeSet& changes, AddressTable& values,
                       std::vector<StaleLine>& stale) {
  const KeyLookup lookup(target.Table());
  values.KeepUnits();
  TakePlan plan;
  PlanLines(target, changes, lookup, values, stale, plan);
  PlanAdded(target, changes, lookup, stale, plan);
  plan.counts.stale = stale.size();
  return plan;
}

}  // namespace parvex
