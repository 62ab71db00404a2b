#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace parvex {

class Rules;

// A message told while an archive was read, as a message box would have
// shown it: its title and its text.
struct ReferenceMessage {
  std::string title;
  std::string text;
  friend bool operator==(const ReferenceMessage&, const ReferenceMessage&) = default;
};

// What one archive (or the reference) gave.
struct ArchiveSummary {
  std::string path;  // as given
  std::string name;  // its column's header
  bool readable = false;
  std::string failure;  // why it could not be read, when it could not
  std::uint64_t lines = 0;
  std::uint64_t differ = 0;
  std::uint64_t missing = 0;
  std::uint64_t extra = 0;
  // Rows the rules removed: ignored, and found within tolerance.
  std::uint64_t ignored = 0;
  std::uint64_t tolerated = 0;
  std::vector<ReferenceMessage> messages;

  bool Deviates() const { return differ + missing + extra > 0; }
};

// One archive's cell in a row that it makes or takes part in.
struct ReferenceCell {
  // Unread: the archive could not be read, so it tells nothing.
  enum class Kind { Same, Value, Missing, Unread };
  std::uint32_t archive = 0;  // index into ReferenceResult::archives
  Kind kind = Kind::Same;
  std::string value;  // with Kind::Value
  friend bool operator==(const ReferenceCell&, const ReferenceCell&) = default;
};

// One row of the matrix: an (address, occurrence) where at least one archive
// differs from the reference, lacks the line, or has it extra. Only the cells
// of such archives are kept, in archive order; every other archive's cell is
// Same in a row of the reference's and Missing in a row the reference lacks.
struct ReferenceRow {
  std::string address;
  std::uint32_t occurrence = 0;  // 0 for the first line of its address
  std::string description;
  std::string units;
  bool inReference = true;
  std::string reference;  // the reference's value, when inReference
  std::vector<ReferenceCell> cells;

  // The cell of archive k, kept or implied.
  ReferenceCell CellOf(std::uint32_t k) const;
};

// The options that decided the comparison, as the reports name them.
struct ReferenceOptions {
  bool includeReadOnly = false;
  bool numbersByValue = false;
  // Lines to leave out and numeric tolerances, shared by every worker; none
  // when null.
  std::shared_ptr<const Rules> rules;
};

struct ReferenceResult {
  ReferenceOptions options;
  ArchiveSummary reference;
  std::vector<ArchiveSummary> archives;
  std::vector<ReferenceRow> rows;
  // Stopped by the request's cancel flag: the counts are partial and the
  // matrix empty.
  bool cancelled = false;

  // Whether every archive and the reference were read and no line failed to
  // split.
  bool AllRead() const;
  // The cell of archive k in row, Unread for an archive that could not be read.
  ReferenceCell Cell(const ReferenceRow& row, std::uint32_t k) const;
  bool AnyDeviates() const;
  // Every file the comparison read: the reference, the archives and the rules
  // file; a report must never replace one of them.
  std::vector<std::string> Inputs() const;
};

// The text of a missing line as the reports write it.
inline constexpr const char* kMissingText = "(missing)";

// Calls visit(k, kind, value) for every archive's cell of row, in archive
// order, without a search for each.
template <typename Visit>
void ForEachCell(const ReferenceResult& result, const ReferenceRow& row, Visit&& visit) {
  const ReferenceCell::Kind absent =
      row.inReference ? ReferenceCell::Kind::Same : ReferenceCell::Kind::Missing;
  auto next = row.cells.begin();
  const std::string none;
  for (std::uint32_t k = 0; k < result.archives.size(); ++k) {
    const bool kept = next != row.cells.end() && next->archive == k;
    if (!result.archives[k].readable) {
      visit(k, ReferenceCell::Kind::Unread, none);
    } else if (kept) {
      visit(k, next->kind, next->value);
    } else {
      visit(k, absent, none);
    }
    if (kept) ++next;
  }
}

}  // namespace parvex
