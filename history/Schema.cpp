#include "history/Schema.h"

#include <string>

#include "engine/base/Failure.h"
#include "history/Changes.h"
#include "history/Rows.h"
#include "history/SnapshotReader.h"
#include "history/Transaction.h"

namespace parvex::history {

namespace {

// The words the two databases spell apart: an id that counts itself, and a
// column of bytes.
std::string IdColumn(const Database& db) {
  return db.Kind() == Dialect::Sqlite ? "INTEGER PRIMARY KEY" : "BIGSERIAL PRIMARY KEY";
}
std::string BytesColumn(const Database& db) {
  return db.Kind() == Dialect::Sqlite ? "BLOB" : "BYTEA";
}

// Machines by name (notes, one baseline each) and their snapshots: seq is
// the machine's add order, which picks a delta's base; base is the snapshot
// that data is a delta of (NULL: data is the whole text).
void ToVersion1(Database& db) {
  db.Run("CREATE TABLE machines (id " + IdColumn(db) +
         ", name TEXT NOT NULL UNIQUE, notes TEXT NOT NULL DEFAULT '', baseline BIGINT)");
  db.Run("CREATE TABLE snapshots (id " + IdColumn(db) +
         ", machine BIGINT NOT NULL REFERENCES machines (id), seq BIGINT NOT NULL,"
         " taken BIGINT NOT NULL, added BIGINT NOT NULL, note TEXT NOT NULL,"
         " sha256 TEXT NOT NULL, lines BIGINT NOT NULL, size BIGINT NOT NULL,"
         " base BIGINT REFERENCES snapshots (id), data " +
         BytesColumn(db) + " NOT NULL, UNIQUE (machine, sha256), UNIQUE (machine, seq))");
  db.Run("CREATE INDEX snapshots_by_time ON snapshots (machine, taken, id)");
}

// Counts kept with each snapshot, so a log needs no snapshot decoded: those
// of the snapshots already there are made now.
void ToVersion2(Database& db) {
  db.Run("ALTER TABLE snapshots ADD COLUMN changes BIGINT");
  SnapshotReader reader(db);
  for (const DbRow& machine : db.Run("SELECT id FROM machines")) {
    const auto snapshots =
        db.Run("SELECT id FROM snapshots WHERE machine = ? ORDER BY taken, id", {machine[0]});
    std::string before;
    for (std::size_t k = 0; k < snapshots.size(); ++k) {
      std::string text = reader.Text(Int(snapshots[k][0]));
      if (k > 0) {
        db.Run("UPDATE snapshots SET changes = ? WHERE id = ?",
               {CountChanges(before, text).Total(), snapshots[k][0]});
      }
      before = std::move(text);
    }
  }
}

using Step = void (*)(Database&);
// Step k brings version k to version k + 1.
constexpr Step kSteps[kSchemaVersion] = {ToVersion1, ToVersion2};

}  // namespace

int StoredSchemaVersion(Database& db) {
  const std::string sql =
      db.Kind() == Dialect::Sqlite
          ? "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'schema_version'"
          : "SELECT COUNT(*) FROM information_schema.tables"
            " WHERE table_schema = current_schema() AND table_name = 'schema_version'";
  if (Int(db.Run(sql).at(0).at(0)) == 0) return 0;
  const auto rows = db.Run("SELECT version FROM schema_version");
  return rows.empty() ? 0 : static_cast<int>(Int(rows.front().at(0)));
}

void Migrate(Database& db, int target) {
  int version = Reading([&db] { return StoredSchemaVersion(db); });
  if (version > kSchemaVersion) {
    throw Failure(kErrFileAccess, "The history store was written by a newer Parvex (schema " +
                                      std::to_string(version) + "; this one knows up to " +
                                      std::to_string(kSchemaVersion) + "): use that one");
  }
  while (version < target) {
    // Another program may have taken the same step meanwhile: each step
    // starts from the version found inside its own transaction.
    version = InWriteTransaction(db, "the store was not changed", [&db, target] {
      const int at = StoredSchemaVersion(db);
      if (at >= target) return at;
      if (at == 0) {
        db.Run("CREATE TABLE IF NOT EXISTS schema_version (version BIGINT NOT NULL)");
        if (db.Run("SELECT version FROM schema_version").empty()) {
          db.Run("INSERT INTO schema_version (version) VALUES (0)");
        }
      }
      kSteps[at](db);
      db.Run("UPDATE schema_version SET version = ?", {std::int64_t{at + 1}});
      return at + 1;
    });
  }
}

}  // namespace parvex::history
