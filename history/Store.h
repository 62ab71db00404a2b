#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvex {

// The history of every machine's archives: machines, their snapshots (the
// archive's exact bytes with when it was taken) and one baseline each, kept
// in SQLite (a file) or on a PostgreSQL server, both through one database
// interface. Times are Unix seconds (UTC); people see them in local time.
// Every failure is a Failure whose description a person can act on.

using SnapshotId = std::int64_t;
using UnixSeconds = std::int64_t;

struct MachineSummary {
  std::string name;
  std::string notes;
  std::int64_t snapshots = 0;
  std::optional<UnixSeconds> newestTaken;  // none without snapshots
  std::optional<SnapshotId> newest;
  std::optional<SnapshotId> baseline;
  std::optional<UnixSeconds> baselineTaken;
};

struct SnapshotSummary {
  SnapshotId id = 0;
  UnixSeconds taken = 0;
  UnixSeconds added = 0;
  std::string note;
  std::string sha256;  // 64 lower-case hexadecimal digits
  std::int64_t lines = 0;
  std::int64_t size = 0;
  // Values changed since the snapshot taken before it (lines whose value or
  // units differ, paired by address, and lines found on one side only); none
  // for the first.
  std::optional<std::int64_t> changes;
  bool baseline = false;
};

struct AddOutcome {
  SnapshotId id = 0;
  bool added = false;  // false: these bytes were already a snapshot (id) of the machine
};

// One line of a parameter's history: the first snapshot holding the address,
// then each later one where its value or units changed (or it went missing).
struct ValueStep {
  SnapshotId id = 0;
  UnixSeconds taken = 0;
  bool present = true;
  std::string value;
  std::string units;
};

// How the newest snapshot of a machine stands against its baseline.
struct DriftLine {
  std::string machine;
  std::optional<SnapshotId> newest, baseline;
  std::optional<UnixSeconds> newestTaken;
  std::int64_t changed = 0;   // lines in both whose value or units differ
  std::int64_t missing = 0;   // baseline lines the newest lacks
  std::int64_t extra = 0;     // newest lines the baseline lacks
};

struct CheckOutcome {
  bool databaseSound = true;
  std::string databaseReport;           // the database's own words when not sound
  std::vector<SnapshotId> badSnapshots;  // bytes that no longer match their SHA-256
  std::int64_t snapshotsChecked = 0;
};

class Store {
 public:
  // Opens (creating when it does not exist, migrating forward an older
  // schema) the store at location: a file path, or a postgresql:// URI
  // without a password (libpq finds it in PGPASSWORD or a password file).
  static std::unique_ptr<Store> Open(const std::string& location);
  // The default store: history.sqlite in the user's data folder.
  static std::string DefaultLocation();

  virtual ~Store() = default;
  // The location as it may be shown (never a password).
  virtual std::string Location() const = 0;

  // Adds one snapshot, creating the machine when new, in one transaction.
  virtual AddOutcome Add(const std::string& machine, std::string_view bytes, UnixSeconds taken,
                         const std::string& note) = 0;
  virtual std::vector<MachineSummary> Machines() = 0;
  // Oldest first by the time taken (then by id).
  virtual std::vector<SnapshotSummary> Log(const std::string& machine) = 0;
  // A snapshot id, a date or time (the newest snapshot taken on or before
  // it), "baseline", "latest" or "previous".
  virtual SnapshotId Resolve(const std::string& machine, std::string_view ref) = 0;
  virtual std::string Bytes(SnapshotId id) = 0;
  virtual void SetBaseline(const std::string& machine, SnapshotId id) = 0;
  virtual std::vector<ValueStep> ValueHistory(const std::string& machine,
                                              std::string_view address) = 0;
  virtual std::vector<DriftLine> Drift() = 0;
  virtual CheckOutcome Check() = 0;
};

// "YYYY-MM-DDTHH:MM:SS" in local time, optionally followed by "Z" or
// "+HH:MM"/"-HH:MM"; a date alone means its end (23:59:59). None when the text
// is no such time.
std::optional<UnixSeconds> ParseHistoryTime(std::string_view text, bool dateMeansEndOfDay);
// The local time written "YYYY-MM-DDTHH:MM:SS".
std::string FormatHistoryTime(UnixSeconds time);

}  // namespace parvex
