#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/taking/Taking.h"

namespace parvex {

// What a taking changes, as a file that can be kept, read and applied to
// other archives that still have the old values. Texts are archive bytes.
struct ChangeSet {
  std::string targetName;  // the file name, without folders
  std::uint64_t targetSize = 0;
  std::string targetSha256;  // lower-case hexadecimal
  std::string sourceName;
  // The options and rules in force when it was made (TakeSettings').
  bool numbersByValue = false;
  bool includeReadOnly = false;
  bool addMissing = false;
  std::string rules;  // the rules file's path, or empty
  std::vector<std::string> only;
  std::vector<std::string> onlyDescription;

  struct Line {
    std::string address;  // "N.M"
    std::uint32_t occurrence = 1;
    std::string description;
    bool readOnly = false;
    std::string oldValue;
    std::string oldUnits;
    std::string newValue;
    std::string newUnits;
    friend bool operator==(const Line&, const Line&) = default;
  };
  struct Added {
    std::string address;
    std::uint32_t occurrence = 1;  // of its address, once added
    // The target line it goes after, by address and occurrence; none: first.
    std::optional<std::pair<std::string, std::uint32_t>> after;
    std::string line;  // the source's line bytes, without line end
    friend bool operator==(const Added&, const Added&) = default;
  };
  std::vector<Line> lines;
  std::vector<Added> added;
  std::string summary;
};

// Fills a change set's options and lines from a plan over the target, made
// with these settings: its descriptions are read again from the target, once
// through.
void FillChangeSet(const std::string& target, const TakePlan& plan, const TakeSettings& settings,
                   ChangeSet& changes);

// The change set of a plan that takes the source's values into the target:
// the file names, the target's size and SHA-256, the options, the lines and
// the summary.
ChangeSet MakeChangeSet(const std::string& targetPath, const std::string& sourcePath,
                        const TakePlan& plan, const TakeSettings& settings);

// A line of a change set whose old value the target does not have.
struct StaleLine {
  std::string address;
  std::string expected;
  std::string found;
};

// The plan that applies a change set to a target read into its side.
// Lines of the target that already hold the new value and units count as
// equal; the others must hold the old ones, else they are listed in stale
// (and left alone). Read-only lines are changed only when the change set was
// made with read-only values included.
TakePlan PlanChangeSet(const TakeSide& target, const ChangeSet& changes,
                       std::vector<StaleLine>& stale);

// The address key of "N.M"; throws a failure when the text is no address.
std::uint32_t KeyOfAddress(const std::string& address);

}  // namespace parvex
