#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace parvex {

// One parsed archive line. Texts are raw bytes of the file.
struct ArchiveRecord {
  std::int16_t ParamNumber = 0;
  std::int16_t SubIndex = 0;
  std::string Description;
  std::string Value;
  std::string Units;
  bool ReadOnly = false;

  friend bool operator==(const ArchiveRecord&, const ArchiveRecord&) = default;
};

// The fields of one line as views into it, for readers that keep the line.
struct ArchiveFields {
  std::int16_t ParamNumber = 0;
  std::int16_t SubIndex = 0;
  std::string_view Description;
  std::string_view Value;
  std::string_view Units;
  bool ReadOnly = false;
};

// The title a line that fails to split is told under.
inline constexpr const char* kSplitLineTitle = "Error While Splitting Archive Line";

// Parses a line into views of it, starting from the default fields. Throws the
// failure of a conversion, leaving the fields filled up to that point.
void ParseArchiveLine(std::string_view line, ArchiveFields& fields);

// The same for a non-empty line already split at its first tabs: count tabs
// (at most 4) ended fields[0..count), and fields[3] is the rest of the line
// when count is 3. f starts as the default fields.
void FillArchiveFields(const std::string_view (&fields)[4], std::size_t count, ArchiveFields& f);

// Parses one line (without terminator). A conversion that fails is reported
// under "Error While Splitting Archive Line" and the record filled so far is
// returned.
ArchiveRecord SplitArchiveLine(std::string_view line);

// The same, into an existing record, so a comparison can reuse its storage.
void SplitArchiveLineInto(std::string_view line, ArchiveRecord& record);

// Apart from surrounding blanks: an optional sign, then decimal digits with at
// most one decimal point.
bool IsNumericAddress(std::string_view text);

// A piece of an address as a 16-bit whole number: blanks around and a sign
// allowed. Throws failure 13 when it is no number, 6 when out of range.
std::int16_t AddressPieceToInt16(std::string_view piece);

}  // namespace parvex
