#include "ui/take/TakeSession.h"

#include "engine/base/OutputFile.h"
#include "engine/taking/Rewrite.h"
#include "engine/taking/Sha256.h"
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
  return fileName.substr(0, EndingAt(fileName)) + ".changes.json";
}

TakeSession::TakeSession(Inputs inputs) : inputs_(std::move(inputs)) {
  ReadSides(target_, inputs_.target, source_, inputs_.source, Settings(false));
}

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
  addMissing_ = addMissing;
  TakeSettings settings = Settings(addMissing);
  plan_ = PlanTaking(target_, source_, settings);
  ReadAddedLines(inputs_.source, settings.sizes, plan_);
  FillChangeSet(inputs_.target, target_, plan_, source_.Table(), settings, preview_);
  readOnly_.clear();
  if (plan_.counts.readOnly == 0) return;
  // The same plan with read-only lines included shows which ones are left
  // alone; its changes of other lines are those of the plan above.
  settings.options.IncludeReadOnly = true;
  settings.addMissing = false;
  const TakePlan all = PlanTaking(target_, source_, settings);
  TakePlan locked;
  for (const TakePlan::Change& c : all.changes) {
    if (target_.Table().ReadOnly(c.target)) locked.changes.push_back(c);
  }
  ChangeSet shown;
  FillChangeSet(inputs_.target, target_, locked, source_.Table(), settings, shown);
  readOnly_ = std::move(shown.lines);
}

bool TakeSession::AnythingToShow() const {
  return !plan_.Empty() || !readOnly_.empty() || plan_.counts.sourceOnly > 0;
}

TakeMarks TakeSession::AllMarked() const {
  return TakeMarks{std::vector<bool>(plan_.changes.size(), true),
                   std::vector<bool>(plan_.additions.size(), true)};
}

TakeCounts TakeSession::CountsFor(const TakeMarks& marks) const {
  TakeCounts counts = plan_.counts;
  for (std::size_t k = 0; k < plan_.changes.size(); ++k) {
    if (k < marks.lines.size() && !marks.lines[k]) --counts.taken;
  }
  for (std::size_t k = 0; k < plan_.additions.size(); ++k) {
    if (k < marks.added.size() && !marks.added[k]) {
      --counts.added;
      ++counts.sourceOnly;
    }
  }
  return counts;
}

TakePlan TakeSession::Marked(const TakeMarks& marks) const {
  TakePlan plan;
  for (std::size_t k = 0; k < plan_.changes.size(); ++k) {
    if (k < marks.lines.size() && marks.lines[k]) plan.changes.push_back(plan_.changes[k]);
  }
  for (std::size_t k = 0; k < plan_.additions.size(); ++k) {
    if (k < marks.added.size() && marks.added[k]) plan.additions.push_back(plan_.additions[k]);
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
  RewriteTarget(inputs_.target, target_.Table(), plan, source_.Table(), ReadSizes(), sink);
  file.Commit();
  return backup;
}

void TakeSession::WriteChangeSet(const std::string& output, const TakeMarks& marks) const {
  CheckTakeOutput(output, inputs_.target, Refused(), false);
  const TakePlan plan = Marked(marks);
  ChangeSet set;
  set.targetName = FileNameOf(inputs_.target);
  set.targetSize = target_.FileSize();
  set.targetSha256 = FileSha256(inputs_.target);
  set.sourceName = FileNameOf(inputs_.source);
  FillChangeSet(inputs_.target, target_, plan, source_.Table(), Settings(addMissing_), set);
  set.summary = TakeSummary(plan.counts);
  SaveChangeSet(output, set);
}

}  // namespace parvex
