// Taking values from an archive in step with the target: two versions of one
// machine's archive, whose parameter lines have the same addresses in the
// same order. Both are read once at the same time, as the comparison by
// address reads such archives, so that neither is held whole.
#include <memory>

#include "engine/pairing/Pairing.h"
#include "engine/reading/TextStream.h"
#include "engine/taking/Taking.h"
#include "engine/values/Rules.h"

namespace parvex {

namespace {

using Line = BatchReader::Line;

// The next line that is no "$" line; false at the end.
bool NextParameterLine(BatchReader& reader, Line& line) {
  while (!reader.AtEnd()) {
    const Line& next = reader.Next();
    if (next.Dollar()) continue;
    line = next;
    return true;
  }
  return false;
}

// Decides one pair of lines; false when they show the archives are not in
// step, or hold a line that would need the tables' care (one that fails to
// split, or is read as address -1.0 or 0.0).
bool PlanPair(BatchReader& reader1, const Line& read1, BatchReader& reader2, const Line& read2,
              const TakeSettings& s, ValueJudge& judge, ValueJudge& chosenJudge, TakePlan& plan) {
  if (reader1.ParseFailure(read1) != nullptr || reader2.ParseFailure(read2) != nullptr) {
    return false;
  }
  const Line a = reader1.Split(read1);
  const Line b = reader2.Split(read2);
  if (a.Number() != b.Number() || a.Member() != b.Member()) return false;
  if (a.Member() == 0 && (a.Number() == -1 || a.Number() == 0)) return false;
  const std::uint32_t index = plan.targetLines++;
  const bool everything = s.choice.Everything();
  if (!everything) {
    const std::uint32_t key = AddressKey(a.Number(), a.Member());
    if (!s.choice.Chooses(key, std::string_view(a.text, a.descriptionSize)) &&
        !s.choice.Chooses(key, std::string_view(b.text, b.descriptionSize))) {
      return true;
    }
  }
  if (SameLines(a, b, everything ? judge : chosenJudge)) {
    ++plan.counts.equal;
  } else if (a.ReadOnly() && !s.options.IncludeReadOnly) {
    ++plan.counts.readOnly;
  } else {
    plan.AddChange({index, index}, a.Fields(), b.Value(),
                   std::string_view(b.text + b.unitsAt, b.unitsSize));
    ++plan.counts.taken;
  }
  return true;
}

}  // namespace

std::optional<TakePlan> PlanInStep(const std::string& target, const std::string& source,
                                   const TakeSettings& s) {
  auto targetStream = std::make_unique<TextStream>(target, TextStream::Mode::Read, s.sizes.buffer);
  auto sourceStream = std::make_unique<TextStream>(source, TextStream::Mode::Read, s.sizes.buffer);
  TakePlan plan;
  plan.targetSize = targetStream->Size();
  BatchReader reader1(std::move(targetStream), s.sizes, nullptr, BatchReader::Reading::Whole,
                      BatchReader::Where::CallersThread);
  BatchReader reader2(std::move(sourceStream), s.sizes, nullptr, BatchReader::Reading::Whole);
  const CompareOptions& o = s.options;
  ValueJudge judge(o.NumbersByValue, o.AppliedRules.get(), true);
  // A line chosen by name is taken whatever the rules would leave out.
  ValueJudge chosenJudge(o.NumbersByValue, nullptr, true);
  const bool everything = s.choice.Everything();
  for (;;) {
    // The same lines are equal pairs of the same address and occurrence.
    if (everything) {
      if (const std::size_t same = BatchReader::PassSamePairs(reader1, reader2); same > 0) {
        plan.targetLines += static_cast<std::uint32_t>(same);
        plan.counts.equal += same;
        continue;
      }
    }
    Line read1;
    Line read2;
    const bool more1 = NextParameterLine(reader1, read1);
    const bool more2 = NextParameterLine(reader2, read2);
    if (!more1 && !more2) return plan;
    if (more1 != more2) return std::nullopt;
    if (!PlanPair(reader1, read1, reader2, read2, s, judge, chosenJudge, plan)) return std::nullopt;
  }
}

TakePlan PlanTakingFiles(const std::string& target, const std::string& source,
                         const TakeSettings& settings) {
  if (std::optional<TakePlan> plan = PlanInStep(target, source, settings)) return std::move(*plan);
  TakeSide targetSide;
  TakeSide sourceSide;
  ReadSides(targetSide, target, sourceSide, source, settings);
  TakePlan plan = PlanTaking(targetSide, sourceSide, settings);
  ReadAddedLines(source, settings.sizes, plan);
  return plan;
}

}  // namespace parvex
