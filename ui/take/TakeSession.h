#pragma once

#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/pairing/CompareOptions.h"
#include "engine/taking/ChangeSet.h"
#include "engine/taking/Taking.h"
#include "reference/Inputs.h"

namespace parvex {

// Which of a preview's lines a person left checked: one mark per changed
// line and per added line, in the preview's order.
struct TakeMarks {
  std::vector<bool> lines;
  std::vector<bool> added;
};

// One taking of values as the windows do it: both archives read once, the
// plan made again when adding missing lines is switched, and only the lines
// a person left checked written. Paths are the file system's bytes.
class TakeSession {
 public:
  struct Inputs {
    std::string target;
    std::string source;
    // Numbers by value, the rules and read-only values as the comparison
    // on screen had them.
    CompareOptions options;
    TakeChoice choice;
    // Files no output may replace besides the source and the rules file.
    std::vector<std::string> otherInputs;
  };

  explicit TakeSession(Inputs inputs) : inputs_(std::move(inputs)) {}

  // Reads both archives and plans the taking (throws the failure of
  // either); the preview then holds the lines that would change and be
  // added, and the read-only lines that differ and are left alone.
  void Plan(bool addMissing);
  bool AddsMissing() const { return addMissing_; }
  const ChangeSet& Preview() const { return preview_; }
  const std::vector<ChangeSet::Line>& ReadOnlyLines() const { return readOnly_; }
  // Whether there is anything to show: lines to take or add, or lines left
  // alone that a person should know of.
  bool AnythingToShow() const;
  // Every line and addition marked.
  TakeMarks AllMarked() const;
  // The counts when only the marked lines are taken; an unmarked addition
  // stays in the source only, and so do the later ones of its address,
  // which would take its place.
  TakeCounts CountsFor(const TakeMarks& marks) const;

  // Writes the target again with the marked lines (over the target when
  // replace, after keeping a copy of it, whose name is returned).
  std::string WriteArchive(const std::string& output, bool replace, const TakeMarks& marks,
                           std::time_t when) const;
  // Writes the marked lines as a change set.
  void WriteChangeSet(const std::string& output, const TakeMarks& marks) const;

  const std::string& Target() const { return inputs_.target; }
  const std::string& Source() const { return inputs_.source; }

 private:
  TakeSettings Settings(bool addMissing) const;
  TakePlan Marked(const TakeMarks& marks) const;
  std::vector<bool> KeptAdditions(const TakeMarks& marks) const;
  std::vector<std::string> Refused() const;

  Inputs inputs_;
  bool addMissing_ = false;
  TakePlan plan_;
  ChangeSet preview_;
  std::vector<ChangeSet::Line> readOnly_;
};

// The name a corrected copy is offered under: "press-07.arc" ->
// "press-07-corrected.arc".
std::string CorrectedName(const std::string& fileName);
// The name a change set of an archive is saved under, as the command line
// names them: "press-07.arc" -> "press-07.arc.json".
std::string ChangeSetName(const std::string& fileName);

}  // namespace parvex
