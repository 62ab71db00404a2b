#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/Store.h"

namespace parvex {

// What the history commands print, as people read it (see ForPeople): one
// line each, its fields separated by tabs where a script may cut them.

// A header, then per machine: name, snapshots, newest, baseline, days since
// the newest.
std::string MachinesText(const std::vector<MachineSummary>& machines, UnixSeconds now);

// Per snapshot, oldest first, no header: id, taken, lines, values changed
// since the one before ("-" for the first), note.
std::string LogText(const std::vector<SnapshotSummary>& log);

// Per step: taken, value ("(missing)" where the line went), units.
std::string ValueText(const std::vector<ValueStep>& steps);

struct DriftReport {
  std::string lines;  // one per machine
  std::size_t machines = 0;
  std::size_t drifted = 0;
  std::size_t overdue = 0;
};
// Every machine against its baseline and, with olderThanDays, its age.
DriftReport Drift(const std::vector<DriftLine>& drift, std::optional<std::int64_t> olderThanDays,
                  UnixSeconds now);

// Whole days from a time to now (none in the future).
std::int64_t DaysSince(UnixSeconds time, UnixSeconds now);

// A note on one line: tabs, line ends and other control characters as blanks.
std::string OneLine(const std::string& text);

}  // namespace parvex
