#pragma once

#include <memory>
#include <optional>
#include <string>

#include "history/Database.h"
#include "history/Store.h"

namespace parvex::history {

// The store over any database the interface reaches; the tables are brought
// to the current schema first.
std::unique_ptr<Store> OpenStoreOn(std::unique_ptr<Database> db, std::string location);

class SqlStore final : public Store {
 public:
  SqlStore(std::unique_ptr<Database> db, std::string location)
      : db_(std::move(db)), location_(std::move(location)) {}

  std::string Location() const override { return location_; }
  AddOutcome Add(const std::string& machine, std::string_view bytes, UnixSeconds taken,
                 const std::string& note) override;
  std::vector<MachineSummary> Machines() override;
  std::vector<SnapshotSummary> Log(const std::string& machine) override;
  SnapshotId Resolve(const std::string& machine, std::string_view ref) override;
  std::string Bytes(SnapshotId id) override;
  void SetBaseline(const std::string& machine, SnapshotId id) override;
  std::vector<ValueStep> ValueHistory(const std::string& machine,
                                      std::string_view address) override;
  std::vector<DriftLine> Drift() override;
  CheckOutcome Check() override;

 private:
  AddOutcome AddInTransaction(const std::string& machine, std::string_view bytes, UnixSeconds taken,
                              const std::string& note);
  std::optional<std::int64_t> FindMachine(const std::string& name);
  // The machine's id; a Failure when the store has no such machine.
  std::int64_t MachineId(const std::string& name);
  std::optional<SnapshotId> Newest(std::int64_t machine, std::int64_t skip);

  std::unique_ptr<Database> db_;
  std::string location_;
};

// Machine names can name files: printable, without "/" or "\", not "." or
// "..", at most 200 bytes. Throws a Failure saying what is wrong.
void CheckMachineName(const std::string& name);

}  // namespace parvex::history
