#include "engine/pairing/PairFrame.h"

#include <algorithm>

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/list/DifferenceList.h"
#include "engine/reading/TextStream.h"
#include "engine/values/Rules.h"

namespace parvex {

PairFrame ArchivesFrame(const std::string& archive1, const std::string& archive2) {
  return {{archive1, archive2}, "Archive 1", "Archive 2", "Error While Comparing Archives"};
}

PairFrame StructuresFrame(const std::string& archive) {
  return {{archive}, "Stucture 1", "Stucture 2", "Error While Comparing Structures"};
}

void RunPair(const PairFrame& frame, DifferenceList& list, const ReadSizes& sizes,
             const ValueJudge& judge, const std::function<std::int16_t(Streams&)>& pairing) {
  Streams streams;
  bool cleared = false;
  try {
    std::int16_t count = 0;
    // Every file is opened even when an earlier one is missing, so that each
    // missing file gets its own message.
    for (const std::string& path : frame.paths) {
      streams.push_back(OpenTextStream(path, kOpenForReading, sizes.buffer));
    }
    if (std::all_of(streams.begin(), streams.end(), [](const auto& s) { return s != nullptr; })) {
      list.Clear();
      cleared = true;
      list.SetCaption("val1", frame.caption1);
      list.SetCaption("val2", frame.caption2);
      count = pairing(streams);
    }
    TellOutcome(list, count, judge);
  } catch (...) {
    // The rows found so far stay; a report of them must not read as complete.
    if (cleared) {
      try {
        const Failure failure = CurrentFailure();
        list.SetFailure({frame.title, "Error " + std::to_string(failure.Number()) + ": " +
                                          failure.Description()});
      } catch (...) {
        // Without memory for the message, the failure is still told below.
      }
    }
    ReportVBError(frame.title);
  }
}

void TellOutcome(DifferenceList& list, long long count, const ValueJudge& judge) {
  std::optional<RulesOutcome> outcome;
  if (judge.WithRules()) {
    outcome =
        RulesOutcome{judge.RulesInUse()->Path(), judge.Counts().ignored, judge.Counts().tolerated};
  }
  list.SetStatus(ComparisonStatus(count, outcome));
  // The outcome goes with the status it is part of, also when a missing file
  // left the rows of an earlier comparison in place.
  list.SetRulesOutcome(std::move(outcome));
}

}  // namespace parvex
