#include "history/SqlStore.h"

#include <algorithm>

#include "engine/base/Failure.h"
#include "history/Rows.h"
#include "history/Schema.h"
#include "history/SnapshotReader.h"
#include "history/Transaction.h"

namespace parvex::history {

namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

Failure NoSuchSnapshot(const std::string& machine, std::string_view ref, const std::string& why) {
  return Failure(kErrSubscript,
                 "Machine '" + machine + "' has no snapshot '" + std::string(ref) + "': " + why);
}

}  // namespace

std::unique_ptr<Store> OpenStoreOn(std::unique_ptr<Database> db, std::string location) {
  Migrate(*db);
  return std::make_unique<SqlStore>(std::move(db), std::move(location));
}

std::optional<std::int64_t> SqlStore::FindMachine(const std::string& name) {
  const auto rows = db_->Run("SELECT id FROM machines WHERE name = ?", {name});
  if (rows.empty()) return std::nullopt;
  return Int(rows.front().at(0));
}

std::int64_t SqlStore::MachineId(const std::string& name) {
  if (const auto id = FindMachine(name)) return *id;
  throw Failure(kErrSubscript, "The history store has no machine '" + name + "'");
}

std::optional<SnapshotId> SqlStore::Newest(std::int64_t machine, std::int64_t skip) {
  const auto rows = db_->Run(
      "SELECT id FROM snapshots WHERE machine = ? ORDER BY taken DESC, id DESC LIMIT 1 OFFSET ?",
      {machine, skip});
  if (rows.empty()) return std::nullopt;
  return Int(rows.front().at(0));
}

std::vector<MachineSummary> SqlStore::Machines() {
  const auto rows = Reading([this] {
    return db_->Run(
        "SELECT m.name, m.notes, m.baseline,"
        " (SELECT COUNT(*) FROM snapshots s WHERE s.machine = m.id),"
        " (SELECT s.id FROM snapshots s WHERE s.machine = m.id"
        "  ORDER BY s.taken DESC, s.id DESC LIMIT 1),"
        " (SELECT MAX(s.taken) FROM snapshots s WHERE s.machine = m.id),"
        " (SELECT s.taken FROM snapshots s WHERE s.id = m.baseline)"
        " FROM machines m");
  });
  std::vector<MachineSummary> machines;
  for (const DbRow& r : rows) {
    MachineSummary m;
    m.name = TextOf(r[0]);
    m.notes = TextOf(r[1]);
    m.baseline = MaybeInt(r[2]);
    m.snapshots = Int(r[3]);
    m.newest = MaybeInt(r[4]);
    m.newestTaken = MaybeInt(r[5]);
    m.baselineTaken = MaybeInt(r[6]);
    machines.push_back(std::move(m));
  }
  // By the bytes of their names, as both databases would not sort alike.
  std::sort(machines.begin(), machines.end(),
            [](const MachineSummary& a, const MachineSummary& b) { return a.name < b.name; });
  return machines;
}

std::vector<SnapshotSummary> SqlStore::Log(const std::string& machine) {
  return Reading([&] {
    const std::int64_t m = MachineId(machine);
    const auto baseline =
        MaybeInt(db_->Run("SELECT baseline FROM machines WHERE id = ?", {m}).at(0).at(0));
    std::vector<SnapshotSummary> log;
    for (const DbRow& r :
         db_->Run("SELECT id, taken, added, note, sha256, lines, size, changes FROM snapshots"
                  " WHERE machine = ? ORDER BY taken, id",
                  {m})) {
      SnapshotSummary s;
      s.id = Int(r[0]);
      s.taken = Int(r[1]);
      s.added = Int(r[2]);
      s.note = TextOf(r[3]);
      s.sha256 = TextOf(r[4]);
      s.lines = Int(r[5]);
      s.size = Int(r[6]);
      s.changes = MaybeInt(r[7]);
      s.baseline = baseline == s.id;
      log.push_back(std::move(s));
    }
    return log;
  });
}

SnapshotId SqlStore::Resolve(const std::string& machine, std::string_view ref) {
  return Reading([&]() -> SnapshotId {
    const std::int64_t m = MachineId(machine);
    std::optional<SnapshotId> id;
    if (AllDigits(ref) && ref.size() <= 18) {
      const auto rows = db_->Run("SELECT id FROM snapshots WHERE id = ? AND machine = ?",
                                 {std::stoll(std::string(ref)), m});
      if (rows.empty()) throw NoSuchSnapshot(machine, ref, "no snapshot of it has that id");
      return Int(rows.front().at(0));
    }
    if (ref == "latest" || ref == "previous") {
      id = Newest(m, ref == "latest" ? 0 : 1);
      if (!id) throw NoSuchSnapshot(machine, ref, "it has too few snapshots");
      return *id;
    }
    if (ref == "baseline") {
      id = MaybeInt(db_->Run("SELECT baseline FROM machines WHERE id = ?", {m}).at(0).at(0));
      if (!id) throw NoSuchSnapshot(machine, ref, "no baseline has been marked");
      return *id;
    }
    const std::optional<UnixSeconds> time = ParseHistoryTime(ref, true);
    if (!time) {
      throw NoSuchSnapshot(machine, ref,
                           "give a snapshot id, a date or time (YYYY-MM-DD or "
                           "YYYY-MM-DDTHH:MM:SS), baseline, latest or previous");
    }
    const auto rows = db_->Run(
        "SELECT id FROM snapshots WHERE machine = ? AND taken <= ?"
        " ORDER BY taken DESC, id DESC LIMIT 1",
        {m, *time});
    if (rows.empty()) throw NoSuchSnapshot(machine, ref, "none was taken on or before it");
    return Int(rows.front().at(0));
  });
}

std::string SqlStore::Bytes(SnapshotId id) {
  return Reading([&] {
    SnapshotReader reader(*db_);
    return reader.Text(id);
  });
}

void SqlStore::SetBaseline(const std::string& machine, SnapshotId id) {
  InWriteTransaction(*db_, "the baseline was not changed", [&] {
    const std::int64_t m = MachineId(machine);
    const auto rows = db_->Run("SELECT id FROM snapshots WHERE id = ? AND machine = ?", {id, m});
    if (rows.empty()) {
      throw NoSuchSnapshot(machine, std::to_string(id), "no snapshot of it has that id");
    }
    db_->Run("UPDATE machines SET baseline = ? WHERE id = ?", {id, m});
  });
}

}  // namespace parvex::history
