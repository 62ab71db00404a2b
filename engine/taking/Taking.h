#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/base/BigArray.h"
#include "engine/pairing/AddressTable.h"
#include "engine/pairing/CompareOptions.h"
#include "engine/pairing/Pairing.h"
#include "engine/reading/Archive.h"
#include "engine/reading/BatchReader.h"

namespace parvex {

// Which lines may be taken: every line, or only those whose address matches
// one of the patterns (as a rules file writes them) or whose description
// matches one of the globs.
class TakeChoice {
 public:
  // Patterns separated by commas, as --only gives them. Throws a failure
  // naming the first pattern that is none.
  void AddAddresses(std::string_view patterns);
  // Globs separated by commas, as --only-description gives them.
  void AddDescriptions(std::string_view globs);

  bool Everything() const { return ranges_.empty() && globs_.empty(); }
  bool Chooses(std::uint32_t key, std::string_view description) const;

  const std::vector<std::string>& AddressTexts() const { return addressTexts_; }
  const std::vector<std::string>& Globs() const { return globs_; }

 private:
  std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges_;
  std::vector<std::string> addressTexts_;
  std::vector<std::string> globs_;
};

// What decides which lines are taken: the options of the comparison that
// finds the differing values, and what taking adds to them. Taking always
// pairs by address and units always travel with their value, so the options'
// MatchByAddress and CompareUnits are not read.
struct TakeSettings {
  CompareOptions options;
  bool addMissing = false;
  TakeChoice choice;
  ReadSizes sizes;
};

struct TakeCounts {
  std::uint64_t taken = 0;
  std::uint64_t equal = 0;
  std::uint64_t readOnly = 0;
  std::uint64_t added = 0;
  std::uint64_t sourceOnly = 0;
  // Lines that would have been taken but do not split (fewer than four
  // fields, or no valid address): left as they are.
  std::uint64_t unsplit = 0;
  // Lines of a change set whose old value the target no longer has.
  std::uint64_t stale = 0;
};

// "T values taken, E already equal, R read-only left alone, A added, S in the
// source only (not added)".
std::string TakeSummary(const TakeCounts& counts);

// One side of a taking: its parameter lines in the table that every pairing
// by address uses (values and units kept), and per line whether it splits
// and whether the choice names it.
class TakeSide {
 public:
  // Reads the archive once, line by line; "$" lines take no part.
  // The choice, the rules and the read sizes come from the settings.
  void Read(const std::string& path, const TakeSettings& settings);

  const AddressTable& Table() const { return table_; }
  AddressTable& Table() { return table_; }
  bool Splits(std::size_t i) const { return (marks_[i] & kSplits) != 0; }
  bool Chosen(std::size_t i) const { return (marks_[i] & kChosen) != 0; }
  // For a table filled by hand (from a change set).
  void AddMark(bool splits, bool chosen) {
    marks_.push_back(static_cast<std::uint8_t>((splits ? kSplits : 0) | (chosen ? kChosen : 0)));
  }
  std::uint64_t FileSize() const { return fileSize_; }

 private:
  static constexpr std::uint8_t kSplits = 1;
  static constexpr std::uint8_t kChosen = 2;
  AddressTable table_;
  BigVector<std::uint8_t> marks_;
  std::uint64_t fileSize_ = 0;
};

// Reads both sides at once, on two cores; a failure of the target's is
// thrown first.
void ReadSides(TakeSide& target, const std::string& targetPath, TakeSide& source,
               const std::string& sourcePath, const TakeSettings& settings);

// Whether a line (without its line end) splits into an address that is a
// valid number and at least three fields after it: only such lines are ever
// changed.
bool LineSplits(std::string_view line);

// What a taking does to the target: the lines whose value and units are
// replaced, by the target's index, in target order, and the source lines
// added, each after a target line (after = its index + 1, 0 for the start),
// in the order they go in. The plan holds what it needs of both archives, so
// that neither is kept whole: per change the target line as it was read (its
// address, value, units and read-only mark, in olds) and the new value and
// units (in news), entry k for change k.
struct TakePlan {
  struct Change {
    std::uint32_t target;
    std::uint32_t source;  // the source's line, or the change set's
  };
  struct Addition {
    std::uint32_t after;
    std::uint32_t source;
    std::string line;  // the source line's bytes, without line end
    // Of its address in the target once added, from 1.
    std::uint32_t occurrence = 1;
    // The target line it goes after, by key and occurrence; none: first.
    std::optional<std::pair<std::uint32_t, std::uint32_t>> afterLine;
  };
  BigVector<Change> changes;
  AddressTable olds;
  AddressTable news;
  std::vector<Addition> additions;
  TakeCounts counts;
  std::uint32_t targetLines = 0;  // its parameter lines ("$" lines take no part)
  std::uint64_t targetSize = 0;   // in bytes
  TakePlan() {
    olds.KeepUnits();
    news.KeepUnits();
  }
  bool Empty() const { return changes.empty() && additions.empty(); }
  // Adds a change: the target line's fields as read, and its new value and
  // units.
  void AddChange(const Change& change, const ArchiveFields& old, std::string_view value,
                 std::string_view units);
};

// Pairs the two sides by address (the k-th line of an address with the
// k-th) and decides per line with the one value judge; the added lines'
// bytes are not read yet.
TakePlan PlanTaking(const TakeSide& target, const TakeSide& source, const TakeSettings& settings);

// Reads the bytes of the plan's added lines from the source archive.
void ReadAddedLines(const std::string& source, const ReadSizes& sizes, TakePlan& plan);

// The plan of archives in step (the same addresses in the same order, each
// once, "$" lines anywhere), as PlanTaking makes it, with both archives read
// once at the same time and no table of either; none when they are not such
// archives.
std::optional<TakePlan> PlanInStep(const std::string& target, const std::string& source,
                                   const TakeSettings& settings);

// The plan of taking the source's values into the target: in step where the
// archives allow, else through tables of both.
TakePlan PlanTakingFiles(const std::string& target, const std::string& source,
                         const TakeSettings& settings);

// The address of a key as fields, the others empty.
ArchiveFields FieldsOfKey(std::uint32_t key);

// Finds the lines of a table by address and occurrence.
class KeyLookup {
 public:
  explicit KeyLookup(const AddressTable& table) : order_(table) {}
  // The index of the k-th line (from 1) of the key, or kNoPartner.
  std::uint32_t Find(std::uint32_t key, std::uint32_t occurrence) const;
  // How many lines the key has.
  std::uint32_t Count(std::uint32_t key) const;
  // Which occurrence of its key line i is (from 1).
  std::uint32_t Occurrence(std::uint32_t key, std::uint32_t i) const;
  // Where a line of this key that the target lacks goes: after the target
  // line at after (index + 1, 0 for the start), and after every line of its
  // address the target already has, so that the k-th line of an address
  // stays the k-th.
  std::uint32_t PlaceAfter(std::uint32_t key, std::uint32_t after) const;

 private:
  std::size_t First(std::uint32_t key) const;
  AddressOrder order_;
};

}  // namespace parvex
