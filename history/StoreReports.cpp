#include "engine/base/Failure.h"
#include "history/Changes.h"
#include "history/Rows.h"
#include "history/SnapshotReader.h"
#include "history/SqlStore.h"
#include "history/Transaction.h"

namespace parvex::history {

std::vector<ValueStep> SqlStore::ValueHistory(const std::string& machine,
                                              std::string_view address) {
  const std::optional<std::uint32_t> key = AddressKeyOf(address);
  if (!key) {
    throw Failure(kErrTypeMismatch, "'" + std::string(address) +
                                        "' is no address: write it as a number, or two joined "
                                        "by a point (10.1)");
  }
  return Reading([&] {
    const std::int64_t m = MachineId(machine);
    SnapshotReader reader(*db_);
    std::vector<ValueStep> steps;
    std::optional<ValueAndUnits> last;
    for (const DbRow& r :
         db_->Run("SELECT id, taken FROM snapshots WHERE machine = ? ORDER BY taken, id", {m})) {
      std::optional<ValueAndUnits> now = FirstValue(reader.Text(Int(r[0])), *key);
      // From the first snapshot that holds it, each change, going missing
      // and coming back included.
      if (steps.empty() ? !now.has_value() : now == last) continue;
      ValueStep step{Int(r[0]), Int(r[1]), now.has_value(), {}, {}};
      if (now) {
        step.value = now->value;
        step.units = now->units;
      }
      steps.push_back(std::move(step));
      last = std::move(now);
    }
    return steps;
  });
}

std::vector<DriftLine> SqlStore::Drift() {
  const std::vector<MachineSummary> machines = Machines();
  return Reading([&] {
    SnapshotReader reader(*db_);
    std::vector<DriftLine> lines;
    for (const MachineSummary& m : machines) {
      DriftLine line{m.name, m.newest, m.baseline, m.newestTaken, 0, 0, 0};
      if (m.newest && m.baseline && *m.newest != *m.baseline) {
        const ChangeCounts counts = CountChanges(reader.Text(*m.baseline), reader.Text(*m.newest));
        line.changed = counts.changed;
        line.missing = counts.missing;
        line.extra = counts.extra;
      }
      lines.push_back(std::move(line));
    }
    return lines;
  });
}

CheckOutcome SqlStore::Check() {
  CheckOutcome outcome;
  try {
    outcome.databaseReport = db_->IntegrityCheck();
  } catch (const DbFailure& failure) {
    outcome.databaseReport = failure.what();
  }
  outcome.databaseSound = outcome.databaseReport.empty();
  const auto ids =
      Reading([this] { return db_->Run("SELECT id FROM snapshots ORDER BY machine, seq"); });
  // One reader for all, machine by machine in add order, so each delta's
  // base is at hand when it is read.
  SnapshotReader reader(*db_);
  for (const DbRow& r : ids) {
    const std::int64_t id = Int(r[0]);
    ++outcome.snapshotsChecked;
    try {
      reader.Text(id);
    } catch (const Failure&) {
      outcome.badSnapshots.push_back(id);
    } catch (const DbFailure&) {
      outcome.badSnapshots.push_back(id);
    }
  }
  return outcome;
}

}  // namespace parvex::history
