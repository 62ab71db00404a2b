#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/pairing/CompareOptions.h"

namespace parvex {

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
  std::string failure;      // why it could not be read, when it could not
  bool notArchive = false;  // it was read, but is some other kind of file
  std::uint64_t lines = 0;
  std::uint64_t differ = 0;
  std::uint64_t missing = 0;
  std::uint64_t extra = 0;
  // Rows the rules removed: ignored, and found within tolerance.
  std::uint64_t ignored = 0;
  std::uint64_t tolerated = 0;
  std::vector<ReferenceMessage> messages;
  // What a reader should know that is no failure: a file that ends without
  // a line end after its last line (probably cut short).
  std::vector<std::string> notes;

  bool Deviates() const { return differ + missing + extra > 0; }
};

// One archive's cell in a row that it makes or takes part in.
struct ReferenceCell {
  // Unread: the archive could not be read, so it tells nothing.
  enum class Kind { Same, Value, Missing, Unread };
  std::uint32_t archive = 0;  // index into ReferenceResult::archives
  Kind kind = Kind::Same;
  std::string value;  // with Kind::Value
  // With Kind::Value, when units are judged and the archive's differ from the
  // reference's: the archive's units (which may be empty).
  std::optional<std::string> units;
  friend bool operator==(const ReferenceCell&, const ReferenceCell&) = default;
};

// A cell's value as the matrix writes it: the value, and where the units
// differ a blank and the units in square brackets ("2000 [mm/s]", "2000 []").
std::string CellText(const ReferenceCell& cell);

// One row of the matrix: an (address, occurrence) where at least one archive
// differs from the reference, lacks the line, or has it extra. Only the cells
// of such archives are kept, in archive order; every other archive's cell is
// Same: in a row the reference lacks (inReference false), an archive that
// lacks it too equals the reference there, and the kept cells are the values
// of the archives that have the line extra.
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

struct ReferenceResult {
  // The options that decided the comparison, as the reports name them.
  CompareOptions options;
  ArchiveSummary reference;
  std::vector<ArchiveSummary> archives;
  std::vector<ReferenceRow> rows;
  // Files found in folders that are not archives: no column, not counted.
  std::vector<std::string> skipped;
  // Stopped by the request's cancel flag: the counts are partial and the
  // matrix empty.
  bool cancelled = false;

  // Whether every archive and the reference were read and no line failed to
  // split.
  bool AllRead() const;
  // The cell of archive k in row, Unread for an archive that could not be read.
  ReferenceCell Cell(const ReferenceRow& row, std::uint32_t k) const;
  bool AnyDeviates() const;
  std::size_t Deviating() const;
  std::size_t Unread() const;
  // Every file the comparison read: the reference, the archives and the rules
  // file; a report must never replace one of them.
  std::vector<std::string> Inputs() const;
};

// The text of a missing line as the reports write it.
inline constexpr const char* kMissingText = "(missing)";

// Calls visit(k, cell) for every archive's cell of row, in archive
// order, without a search for each.
template <typename Visit>
void ForEachCell(const ReferenceResult& result, const ReferenceRow& row, Visit&& visit) {
  auto next = row.cells.begin();
  const ReferenceCell same;
  ReferenceCell unread;
  unread.kind = ReferenceCell::Kind::Unread;
  for (std::uint32_t k = 0; k < result.archives.size(); ++k) {
    const bool kept = next != row.cells.end() && next->archive == k;
    if (!result.archives[k].readable) {
      visit(k, unread);
    } else if (kept) {
      visit(k, *next);
    } else {
      visit(k, same);
    }
    if (kept) ++next;
  }
}

}  // namespace parvex
