#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace parvex::history {

// How two snapshots of a machine differ, line by line: lines are paired by
// address as a comparison by address pairs them (the k-th line of an address
// with the k-th line of the same address), read-only lines included, since
// the store keeps every line.
struct ChangeCounts {
  std::int64_t changed = 0;  // paired lines whose value or units differ
  std::int64_t missing = 0;  // lines of the older the newer lacks
  std::int64_t extra = 0;    // lines of the newer the older lacks
  std::int64_t Total() const { return changed + missing + extra; }
};

// The one rule for "values changed" everywhere in the store: the counts of
// each log line, their mending, and drift against a baseline.
ChangeCounts CountChanges(std::string_view older, std::string_view newer);

// Lines as a text editor counts them: a last line without its line end
// counts too.
std::int64_t LineCount(std::string_view text);

// An address ("10.1", "7") as the key lines are paired by; none when the text
// is no address.
std::optional<std::uint32_t> AddressKeyOf(std::string_view address);

// The value and units of the first line with the address key; none when the
// text has no such line.
struct ValueAndUnits {
  std::string value;
  std::string units;
  friend bool operator==(const ValueAndUnits&, const ValueAndUnits&) = default;
};
std::optional<ValueAndUnits> FirstValue(std::string_view text, std::uint32_t key);

}  // namespace parvex::history
