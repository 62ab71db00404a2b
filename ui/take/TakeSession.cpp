#include "ui/take/TakeSession.h"

#include "engine/base/OutputFile.h"
#include "engine/taking/Rewrite.h"
#include "engine/values/Rules.h"
#include "reference/Inputs.h"
#include "reports/layouts/ChangeSetJson.h"

namespace parvex {

namespace {

// Where the file name's ending starts; a leading dot starts no ending.
std::size_t EndingAt(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name.size() : dot;
}

}  // namespace

std::string CorrectedName(const std::string& fileName) {
  const std::size_t at = EndingAt(fileName);
  return fileName.substr(0, at) + "-corrected" + fileName.substr(at);
}

std::string ChangeSetName(const std::string& fileName) {
  return fileName + ".json";
}

namespace {

// The fields of a plan's change k as the target had them.
ArchiveFields OldFields(const TakePlan& plan, std::size_t k) {
  ArchiveFields old = FieldsOfKey(plan.olds.Key(k));
  old.Value = plan.olds.Value(k);
  old.Units = plan.olds.Units(k);
  old.ReadOnly = plan.olds.ReadOnly(k);
  return old;
}

// A plan over the same target with the changes that keep says to keep.
template <typename Keep>
TakePlan ChangesOf(const TakePlan& plan, Keep keep) {
  TakePlan kept;
  kept.targetLines = plan.targetLines;
  kept.targetSize = plan.targetSize;
  for (std::size_t k = 0; k < plan.changes.size(); ++k) {
    if (keep(k)) {
      kept.AddChange(plan.changes[k], OldFields(plan, k), plan.news.Value(k), plan.news.Units(k));
    }
  }
  return kept;
}

}  // namespace

TakeSettings TakeSession::Settings(bool addMissing) const {
  TakeSettings s;
  s.options = inputs_.options;
  // Taking pairs by address and takes units with values, whatever the
  // comparison on screen did.
  s.options.MatchByAddress = true;
  s.options.CompareUnits = true;
  s.addMissing = addMissing;
  s.choice = inputs_.choice;
  return s;
}

void TakeSession::Plan(bool addMissing) {
  TakeSettings settings = Settings(addMissing);
  plan_ = PlanTakingFiles(inputs_.target, inputs_.source, settings);
  addMissing_ = addMissing;
  FillChangeSet(inputs_.target, plan_, settings, preview_);
  readOnly_.clear();
  if (plan_.counts.readOnly == 0) return;
  // The same plan with read-only lines included shows which ones are left
  // alone; its changes of other lines are those of the plan above.
  settings.options.IncludeReadOnly = true;
  settings.addMissing = false;
  const TakePlan all = PlanTakingFiles(inputs_.target, inputs_.source, settings);
  const TakePlan locked = ChangesOf(all, [&](std::size_t k) { return all.olds.ReadOnly(k); });
  ChangeSet shown;
  FillChangeSet(inputs_.target, locked, settings, shown);
  readOnly_ = std::move(shown.lines);
}

bool TakeSession::AnythingToShow() const {
  return !plan_.Empty() || !readOnly_.empty() || plan_.counts.sourceOnly > 0;
}

TakeMarks TakeSession::AllMarked() const {
  return TakeMarks{std::vector<bool>(plan_.changes.size(), true),
                   std::vector<bool>(plan_.additions.size(), true)};
}

std::vector<bool> TakeSession::KeptAdditions(const TakeMarks& marks) const {
  std::vector<bool> kept(preview_.added.size(), false);
  std::set<std::string> dropped;  // addresses with a line not added
  for (std::size_t k = 0; k < kept.size(); ++k) {
    const std::string& address = preview_.added[k].address;
    kept[k] = k < marks.added.size() && marks.added[k] && dropped.count(address) == 0;
    if (!kept[k]) dropped.insert(address);
  }
  return kept;
}

TakeCounts TakeSession::CountsFor(const TakeMarks& marks) const {
  TakeCounts counts = plan_.counts;
  for (std::size_t k = 0; k < plan_.changes.size(); ++k) {
    if (k < marks.lines.size() && !marks.lines[k]) --counts.taken;
  }
  for (const bool kept : KeptAdditions(marks)) {
    if (!kept) {
      --counts.added;
      ++counts.sourceOnly;
    }
  }
  return counts;
}

TakePlan TakeSession::Marked(const TakeMarks& marks) const {
  TakePlan plan =
      ChangesOf(plan_, [&](std::size_t k) { return k < marks.lines.size() && marks.lines[k]; });
  const std::vector<bool> kept = KeptAdditions(marks);
  for (std::size_t k = 0; k < plan_.additions.size(); ++k) {
    if (kept[k]) plan.additions.push_back(plan_.additions[k]);
  }
  plan.counts = CountsFor(marks);
  return plan;
}

std::vector<std::string> TakeSession::Refused() const {
  std::vector<std::string> inputs = inputs_.otherInputs;
  inputs.push_back(inputs_.source);
  if (inputs_.options.AppliedRules) inputs.push_back(inputs_.options.AppliedRules->Path());
  return inputs;
}

std::string TakeSession::WriteArchive(const std::string& output, bool replace,
                                      const TakeMarks& marks, std::time_t when) const {
  CheckTakeOutput(replace ? inputs_.target : output, inputs_.target, Refused(), replace);
  const TakePlan plan = Marked(marks);
  std::string backup;
  if (replace) backup = KeepBackup(inputs_.target, when);
  OutputFile file(replace ? inputs_.target : output);
  ArchiveSink sink(file);
  RewriteTarget(inputs_.target, plan, ReadSizes(), sink);
  file.Commit();
  return backup;
}

void TakeSession::WriteChangeSet(const std::string& output, const TakeMarks& marks) const {
  CheckTakeOutput(output, inputs_.target, Refused(), false);
  SaveChangeSet(
      output, MakeChangeSet(inputs_.target, inputs_.source, Marked(marks), Settings(addMissing_)));
}

}  // namespace parvex
