#include "HistoryPrint.h"

#include "CliText.h"

namespace parvex {

namespace {

std::string TimeOrDash(const std::optional<UnixSeconds>& time) {
  return time ? FormatHistoryTime(*time) : std::string("-");
}

// How old a machine's newest snapshot is, and whether that is overdue.
std::string Age(const DriftLine& line, std::optional<std::int64_t> olderThanDays, UnixSeconds now,
                bool& overdue) {
  if (!line.newestTaken) {
    overdue = olderThanDays.has_value();
    return "no snapshots";
  }
  const std::int64_t days = DaysSince(*line.newestTaken, now);
  overdue = olderThanDays && now - *line.newestTaken > *olderThanDays * 86400;
  return "newest " + FormatHistoryTime(*line.newestTaken) + ", " + std::to_string(days) +
         (days == 1 ? " day old" : " days old") +
         (overdue ? ", overdue (older than " + std::to_string(*olderThanDays) + " days)" : "");
}

}  // namespace

std::int64_t DaysSince(UnixSeconds time, UnixSeconds now) {
  return now > time ? (now - time) / 86400 : 0;
}

std::string OneLine(const std::string& text) {
  std::string line = text;
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  }
  return line;
}

std::string MachinesText(const std::vector<MachineSummary>& machines, UnixSeconds now) {
  std::string text = "Machine\tSnapshots\tNewest\tBaseline\tDays since newest\n";
  for (const MachineSummary& m : machines) {
    text += ForPeople(OneLine(m.name)) + '\t' + std::to_string(m.snapshots) + '\t' +
            TimeOrDash(m.newestTaken) + '\t' + TimeOrDash(m.baselineTaken) + '\t' +
            (m.newestTaken ? std::to_string(DaysSince(*m.newestTaken, now)) : "-") + '\n';
  }
  return text;
}

std::string LogText(const std::vector<SnapshotSummary>& log) {
  std::string text;
  for (const SnapshotSummary& s : log) {
    text += std::to_string(s.id) + '\t' + FormatHistoryTime(s.taken) + '\t' +
            std::to_string(s.lines) + '\t' + (s.changes ? std::to_string(*s.changes) : "-") + '\t' +
            ForPeople(OneLine(s.note)) + '\n';
  }
  return text;
}

std::string ValueText(const std::vector<ValueStep>& steps) {
  std::string text;
  for (const ValueStep& step : steps) {
    text += FormatHistoryTime(step.taken) + '\t' +
            (step.present ? ForPeople(OneLine(step.value)) + '\t' + ForPeople(OneLine(step.units))
                          : std::string("(missing)\t")) +
            '\n';
  }
  return text;
}

DriftReport Drift(const std::vector<DriftLine>& drift, std::optional<std::int64_t> olderThanDays,
                  UnixSeconds now) {
  DriftReport report;
  for (const DriftLine& line : drift) {
    ++report.machines;
    std::string state;
    if (!line.baseline) {
      state = "no baseline";
    } else if (line.changed + line.missing + line.extra == 0) {
      state = "as its baseline";
    } else {
      ++report.drifted;
      state = "drifted from its baseline: " + std::to_string(line.changed) + " changed, " +
              std::to_string(line.missing) + " missing, " + std::to_string(line.extra) + " extra";
    }
    bool overdue = false;
    const std::string age = Age(line, olderThanDays, now, overdue);
    if (overdue) ++report.overdue;
    report.lines += ForPeople(OneLine(line.machine)) + ": " + state + "; " + age + '\n';
  }
  return report;
}

}  // namespace parvex
