#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/pairing/AddressTable.h"
#include "engine/reading/BatchReader.h"
#include "reference/Outcome.h"

namespace parvex {

struct ReferenceRequest;

// The reference's lines byte for byte, so that an archive can be compared
// with it as the archive is read: a line that is the same bytes as a line of
// the reference pairs with it and equals it, and only the other lines are
// split and judged. Made only for a reference in which no address comes
// twice and every parameter line is an archive line that reads again as its
// table holds it; for any other, the comparison goes through tables.
class ReferenceLines {
 public:
  // nullptr for a reference that is not such a file.
  static std::unique_ptr<ReferenceLines> Read(const std::string& path, const ReadSizes& sizes,
                                              const AddressTable& table);

  std::size_t Count() const { return lines_.size(); }
  // Whole lines in file order; "$" lines marked as such.
  const BatchReader::Line* Lines() const { return lines_.data(); }
  // Line n's index in the table; kNoPartner for a "$" line.
  std::uint32_t TableIndex(std::size_t n) const { return tableIndex_[n]; }
  // The line of index t of the table.
  std::uint32_t LineOf(std::uint32_t t) const { return lineOf_[t]; }
  // The whole lines from line n on that can be passed as one run: up to the
  // next "$" line or last line without line end.
  std::size_t RunFrom(std::size_t n) const { return runEnd_[n] - n; }
  // The table index of the line of this address; kNoPartner when none has it.
  std::uint32_t Find(std::uint32_t key) const;

 private:
  std::string bytes_;  // with room behind them for reads sixteen bytes at a time
  std::vector<BatchReader::Line> lines_;
  std::vector<std::uint32_t> tableIndex_;
  std::vector<std::uint32_t> lineOf_;
  std::vector<std::uint32_t> runEnd_;  // by line: the first line from it on that is not whole
  std::vector<std::uint64_t> byKey_;   // (key, table index), ascending
};

// Compares the archive at path with the reference (its table and its lines)
// as it is read, into out: the summary's lines and counts, and the
// deviations, exactly as the comparison through tables finds them. Returns
// false, out then to be cleared, for an archive it does not judge so: one
// with a line that fails to split, a file that is no archive or that cannot
// be read, a line of the reference met twice by lines of the same bytes. The
// comparison through tables then reads it and tells what it met.
bool CompareWhileReading(const ReferenceLines& lines, const AddressTable& table,
                         const ReferenceRequest& request, const std::string& path, Outcome& out);

}  // namespace parvex
