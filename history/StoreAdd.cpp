#include <ctime>

#include "engine/base/Failure.h"
#include "history/Changes.h"
#include "history/Codec.h"
#include "history/Rows.h"
#include "history/SnapshotReader.h"
#include "history/SqlStore.h"
#include "history/Transaction.h"

namespace parvex::history {

namespace {

struct Kept {
  std::string frame;
  std::optional<std::int64_t> base;
};

// The snapshot's frame: a delta against the base its add order picks when
// that is smaller than the whole text compressed, else the whole.
Kept Encode(Database& db, SnapshotReader& reader, std::int64_t machine, std::int64_t order,
            std::string_view bytes) {
  Kept whole{EncodeFull(bytes), std::nullopt};
  const std::optional<std::int64_t> baseOrder = DeltaBaseOrder(order);
  if (!baseOrder) return whole;
  const auto rows =
      db.Run("SELECT id FROM snapshots WHERE machine = ? AND seq = ?", {machine, *baseOrder});
  if (rows.empty()) return whole;
  const std::int64_t base = Int(rows.front().at(0));
  Kept delta{EncodeDelta(bytes, reader.Text(base)), base};
  return delta.frame.size() < whole.frame.size() ? delta : whole;
}

std::optional<std::int64_t> FirstId(const std::vector<DbRow>& rows) {
  if (rows.empty()) return std::nullopt;
  return Int(rows.front().at(0));
}

}  // namespace

void CheckMachineName(const std::string& name) {
  const auto refuse = [&name](const std::string& why) {
    throw Failure(kErrTypeMismatch, "'" + name + "' cannot name a machine: " + why);
  };
  if (name.empty()) throw Failure(kErrTypeMismatch, "A machine needs a name");
  if (name.size() > 200) refuse("it is longer than 200 bytes");
  if (name == "." || name == "..") refuse("it names a folder");
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\') refuse("it holds a slash or a backslash");
    if (byte < 0x20 || byte == 0x7F) refuse("it holds a control character");
  }
}

AddOutcome SqlStore::Add(const std::string& machine, std::string_view bytes, UnixSeconds taken,
                         const std::string& note) {
  CheckMachineName(machine);
  return InWriteTransaction(*db_, "nothing was added",
                            [&] { return AddInTransaction(machine, bytes, taken, note); });
}

AddOutcome SqlStore::AddInTransaction(const std::string& machine, std::string_view bytes,
                                      UnixSeconds taken, const std::string& note) {
  Database& db = *db_;
  std::optional<std::int64_t> found = FindMachine(machine);
  const std::int64_t m =
      found ? *found
            : Int(db.Run("INSERT INTO machines (name) VALUES (?) RETURNING id", {machine})
                      .at(0)
                      .at(0));
  const std::string sha = Sha256Of(bytes);
  if (const auto same =
          FirstId(db.Run("SELECT id FROM snapshots WHERE machine = ? AND sha256 = ?", {m, sha}))) {
    return AddOutcome{*same, false};
  }
  const std::int64_t order = Int(
      db.Run("SELECT COALESCE(MAX(seq) + 1, 0) FROM snapshots WHERE machine = ?", {m}).at(0).at(0));
  SnapshotReader reader(db);
  const Kept kept = Encode(db, reader, m, order, bytes);
  // Its neighbours by the time taken: the one before gives its count; the
  // one after, if it lands between two, has its count made against it.
  const auto before = FirstId(db.Run(
      "SELECT id FROM snapshots WHERE machine = ? AND taken <= ? ORDER BY taken DESC, id DESC"
      " LIMIT 1",
      {m, taken}));
  const auto after = FirstId(
      db.Run("SELECT id FROM snapshots WHERE machine = ? AND taken > ? ORDER BY taken, id LIMIT 1",
             {m, taken}));
  std::optional<std::int64_t> changes;
  if (before) changes = CountChanges(reader.Text(*before), bytes).Total();
  const std::int64_t id = Int(
      db.Run("INSERT INTO snapshots (machine, seq, taken, added, note, sha256, lines, size, base,"
             " data, changes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id",
             {m, order, taken, static_cast<std::int64_t>(std::time(nullptr)), note, sha,
              LineCount(bytes), static_cast<std::int64_t>(bytes.size()), Nullable(kept.base),
              Blob{kept.frame}, Nullable(changes)})
          .at(0)
          .at(0));
  if (after) {
    db.Run("UPDATE snapshots SET changes = ? WHERE id = ?",
           {CountChanges(bytes, reader.Text(*after)).Total(), *after});
  }
  return AddOutcome{id, true};
}

}  // namespace parvex::history
