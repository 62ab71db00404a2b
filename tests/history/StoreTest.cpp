// The history store, held to what the command line and the window rely on,
// on every backend in TestedBackends(): the same suite for each.
#include <gtest/gtest.h>

#include <map>

#include "HistorySupport.h"
#include "engine/base/Failure.h"
#include "history/Store.h"

namespace parvex::test {
namespace {

class StoreSuite : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    location = FreshStoreLocation(GetParam(), dir);
    store = Store::Open(location);
  }
  // Adds one snapshot and asks that it was new.
  SnapshotId Add(const std::string& machine, const std::string& bytes, UnixSeconds taken,
                 const std::string& note = "") {
    const AddOutcome o = store->Add(machine, bytes, taken, note);
    EXPECT_TRUE(o.added) << machine << " at " << taken;
    return o.id;
  }
  std::vector<std::optional<std::int64_t>> Changes(const std::string& machine) {
    std::vector<std::optional<std::int64_t>> changes;
    for (const SnapshotSummary& s : store->Log(machine)) changes.push_back(s.changes);
    return changes;
  }
  std::vector<SnapshotId> Ids(const std::string& machine) {
    std::vector<SnapshotId> ids;
    for (const SnapshotSummary& s : store->Log(machine)) ids.push_back(s.id);
    return ids;
  }

  TempDir dir;
  std::string location;
  std::unique_ptr<Store> store;
};

const std::string kA = "$ head\n1.0\tSpeed\t100\trpm\n1.1\tRamp\t5\ts\n2.0\tLimit\t7\tA\n";
// kA with one value changed (1.1), one line gone (2.0) and one new (3.0).
const std::string kB = "$ head\n1.0\tSpeed\t100\trpm\n1.1\tRamp\t6\ts\n3.0\tNew\t1\tV\n";
// kB with the units of 1.0 changed.
const std::string kC = "$ head\n1.0\tSpeed\t100\tHz\n1.1\tRamp\t6\ts\n3.0\tNew\t1\tV\n";

TEST_P(StoreSuite, SameBytesAgainAddNothingWhateverTheirNameOrTime) {
  const AddOutcome first = store->Add("press", kA, 100, "first");
  ASSERT_TRUE(first.added);
  // The same bytes under another time and note: the snapshot already there.
  const AddOutcome again = store->Add("press", kA, 500, "again");
  EXPECT_FALSE(again.added);
  EXPECT_EQ(again.id, first.id);
  // Other bytes are new, even one byte more; the same bytes for another
  // machine are that machine's own.
  EXPECT_TRUE(store->Add("press", kA + "\n", 100, "").added);
  const AddOutcome other = store->Add("lathe", kA, 100, "");
  EXPECT_TRUE(other.added);
  EXPECT_NE(other.id, first.id);
  ASSERT_EQ(store->Log("press").size(), 2u);
  EXPECT_EQ(store->Log("press")[0].note, "first");
}

TEST_P(StoreSuite, LogIsInTakenOrderWithCountsMendedWhenOneLandsBetween) {
  const SnapshotId a = Add("m", kA, 100);
  const SnapshotId c = Add("m", kC, 300);
  // kA to kC: 1.1 changed, 1.0's units changed, 2.0 gone, 3.0 new.
  EXPECT_EQ(Changes("m"), (std::vector<std::optional<std::int64_t>>{std::nullopt, 4}));
  const SnapshotId b = Add("m", kB, 200, "between");
  EXPECT_EQ(Ids("m"), (std::vector<SnapshotId>{a, b, c}));
  // kA to kB: 1.1 changed, 2.0 gone, 3.0 new; kB to kC: units of 1.0.
  EXPECT_EQ(Changes("m"), (std::vector<std::optional<std::int64_t>>{std::nullopt, 3, 1}));
  // One taken first of all becomes the first, and the old first counts
  // against it.
  Add("m", kC + "4.0\tMore\t2\tV\n", 50);
  EXPECT_EQ(Changes("m"), (std::vector<std::optional<std::int64_t>>{std::nullopt, 5, 3, 1}));
  // Same time taken: the later add goes after.
  const SnapshotId d = Add("m", kB + "\n", 300);
  EXPECT_EQ(Ids("m").back(), d);
  const auto log = store->Log("m");
  EXPECT_EQ(log[2].note, "between");
  EXPECT_EQ(log[2].lines, 4);
  EXPECT_EQ(log[2].size, static_cast<std::int64_t>(kB.size()));
}

TEST_P(StoreSuite, BytesComeBackExactly) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"utf8",
       "1.0\tGr\xC3\xB6\xC3\x9F"
       "e\t\xE2\x82\xAC 5\t\xC2\xB0"
       "C\n"},
      {"cp1252",
       "1.0\tGr\xF6\xDF"
       "e\t\x80 5\t\xB0"
       "C\n"},
      {"crlf", "$ h\r\n1.0\tA\t1\tu\r\n1.1\tB\t2\tu\r\n"},
      {"lf", "$ h\n1.0\tA\t1\tu\n1.1\tB\t2\tu\n"},
      {"cut-off", "1.0\tA\t1\tu\n1.1\tB\t2"},
      {"empty", ""},
      {"nul and lone cr", std::string("1.0\tA\0B\t1\r\tu\n", 13)},
  };
  std::map<SnapshotId, std::string> added;
  // Each alone, and all one after another on one machine, as deltas.
  for (const auto& [name, bytes] : cases) {
    added[Add(name, bytes, 100)] = bytes;
    added[Add("all", bytes, 100)] = bytes;
  }
  for (const auto& [id, bytes] : added) EXPECT_EQ(store->Bytes(id), bytes) << id;
  EXPECT_EQ(store->Log("cut-off")[0].lines, 2);
  EXPECT_EQ(store->Log("empty")[0].lines, 0);
}

UnixSeconds Local(const char* text) {
  return ParseHistoryTime(text, false).value();
}

TEST_P(StoreSuite, ResolveFindsEveryKindOfReference) {
  const SnapshotId march1 = Add("m", kA, Local("2024-03-01T08:00:00"));
  const SnapshotId march2 = Add("m", kB, Local("2024-03-02T08:00:00"));
  const SnapshotId march3 = Add("m", kC, Local("2024-03-03T23:59:59"));
  // Added last but taken earlier: neither latest nor previous.
  const SnapshotId early = Add("m", kC + "\n", Local("2024-02-01T00:00:00"));
  const SnapshotId other = Add("other", kA, Local("2024-03-01T08:00:00"));
  store->SetBaseline("m", march1);
  const std::vector<std::pair<std::string, SnapshotId>> refs = {
      {std::to_string(march2), march2},
      {"latest", march3},
      {"previous", march2},
      {"baseline", march1},
      {"2024-03-02", march2},           // a date: its end
      {"2024-03-03", march3},           // up to 23:59:59 itself
      {"2024-03-02T07:59:59", march1},  // the newest on or before
      {"2024-03-02T08:00:00", march2},  // on counts
      {"2024-02-29", early},
      {"2030-01-01T00:00:00", march3},
  };
  for (const auto& [ref, id] : refs) EXPECT_EQ(store->Resolve("m", ref), id) << ref;
  EXPECT_EQ(store->Resolve("other", "latest"), other);

  const std::vector<std::pair<std::string, std::string>> refused = {
      {"m", std::to_string(other)},  // another machine's snapshot
      {"m", "2024-01-31"},           // before the first
      {"m", "yesterday"},           {"m", "2024-02-30"}, {"other", "previous"},  // only one
      {"other", "baseline"},                                                     // none marked
      {"nobody", "latest"},
  };
  for (const auto& [machine, ref] : refused) {
    EXPECT_THROW(store->Resolve(machine, ref), Failure) << machine << " " << ref;
  }
  // A baseline of another machine's snapshot is refused; a new one replaces
  // the old, and the log marks it.
  EXPECT_THROW(store->SetBaseline("m", other), Failure);
  store->SetBaseline("m", march3);
  EXPECT_EQ(store->Resolve("m", "baseline"), march3);
  std::vector<SnapshotId> marked;
  for (const SnapshotSummary& s : store->Log("m")) {
    if (s.baseline) marked.push_back(s.id);
  }
  EXPECT_EQ(marked, std::vector<SnapshotId>{march3});
}

TEST_P(StoreSuite, MachinesTellTheirNewestAndBaseline) {
  Add("b-second", kA, 300);
  const SnapshotId base = Add("b-second", kB, 100);
  Add("a-first", kC, 50);
  store->SetBaseline("b-second", base);
  const auto machines = store->Machines();
  ASSERT_EQ(machines.size(), 2u);
  EXPECT_EQ(machines[0].name, "a-first");
  EXPECT_FALSE(machines[0].baseline.has_value());
  const MachineSummary& b = machines[1];
  EXPECT_EQ(b.snapshots, 2);
  EXPECT_EQ(b.newestTaken, 300);
  EXPECT_EQ(b.newest, store->Resolve("b-second", "latest"));
  EXPECT_EQ(b.baseline, base);
  EXPECT_EQ(b.baselineTaken, 100);
}

INSTANTIATE_TEST_SUITE_P(Backends, StoreSuite, ::testing::ValuesIn(TestedBackends()),
                         [](const auto& backend) { return backend.param; });

}  // namespace
}  // namespace parvex::test
