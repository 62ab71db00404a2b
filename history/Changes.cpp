#include "history/Changes.h"

#include <algorithm>
#include <vector>

#include "engine/reading/Archive.h"
#include "engine/values/Rules.h"

namespace parvex::history {

namespace {

// One parameter line: its key, which occurrence of that key it is, and its
// value and units (behind one another with a tab, which no value holds).
struct KeyedLine {
  std::uint32_t key = 0;
  std::uint32_t occurrence = 0;
  std::string_view value;
  std::string_view units;
  bool operator<(const KeyedLine& o) const {
    return key != o.key ? key < o.key : occurrence < o.occurrence;
  }
};

// Calls take(line) for every line as the comparisons read them: split at
// line feeds, a carriage return before one dropped.
template <typename Take>
void ForEachLine(std::string_view text, Take&& take) {
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    take(line);
  }
}

// Every parameter line ("$" lines are none) with the fields the engine's
// line parser gives it; a line that fails to split keeps what was read, as
// in the comparisons' tables.
template <typename Take>
void ForEachParameter(std::string_view text, Take&& take) {
  ForEachLine(text, [&take](std::string_view line) {
    if (!line.empty() && line.front() == '$') return;
    ArchiveFields fields;
    try {
      ParseArchiveLine(line, fields);
    } catch (...) {
      // The fields hold what was read before the failure.
    }
    take(AddressKey(fields.ParamNumber, fields.SubIndex), fields);
  });
}

std::vector<KeyedLine> KeyedLines(std::string_view text) {
  std::vector<KeyedLine> lines;
  ForEachParameter(text, [&lines](std::uint32_t key, const ArchiveFields& f) {
    lines.push_back({key, 0, f.Value, f.Units});
  });
  // Stable, so the k-th line of a key keeps its place among its fellows.
  std::stable_sort(lines.begin(), lines.end(),
                   [](const KeyedLine& a, const KeyedLine& b) { return a.key < b.key; });
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].key == lines[i - 1].key) lines[i].occurrence = lines[i - 1].occurrence + 1;
  }
  return lines;
}

}  // namespace

ChangeCounts CountChanges(std::string_view older, std::string_view newer) {
  const std::vector<KeyedLine> a = KeyedLines(older);
  const std::vector<KeyedLine> b = KeyedLines(newer);
  ChangeCounts counts;
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() || j < b.size()) {
    if (j == b.size() || (i < a.size() && a[i] < b[j])) {
      ++counts.missing;
      ++i;
    } else if (i == a.size() || b[j] < a[i]) {
      ++counts.extra;
      ++j;
    } else {
      if (a[i].value != b[j].value || a[i].units != b[j].units) ++counts.changed;
      ++i;
      ++j;
    }
  }
  return counts;
}

std::int64_t LineCount(std::string_view text) {
  std::int64_t count = 0;
  ForEachLine(text, [&count](std::string_view) { ++count; });
  return count;
}

std::optional<std::uint32_t> AddressKeyOf(std::string_view address) {
  if (!IsNumericAddress(address)) return std::nullopt;
  const std::string_view fields[4] = {address, {}, {}, {}};
  ArchiveFields f;
  try {
    FillArchiveFields(fields, 3, f);
  } catch (...) {
    return std::nullopt;  // a number outside the 16-bit range
  }
  return AddressKey(f.ParamNumber, f.SubIndex);
}

std::optional<ValueAndUnits> FirstValue(std::string_view text, std::uint32_t key) {
  std::optional<ValueAndUnits> found;
  ForEachParameter(text, [&found, key](std::uint32_t k, const ArchiveFields& f) {
    if (!found && k == key) found = ValueAndUnits{std::string(f.Value), std::string(f.Units)};
  });
  return found;
}

}  // namespace parvex::history
