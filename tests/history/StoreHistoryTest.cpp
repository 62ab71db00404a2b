// The history store's views over many snapshots, on every backend: a value's
// history, drift from a baseline, long chains of deltas read back, an older
// store migrated, and a damaged snapshot found.
#include <gtest/gtest.h>

#include "HistorySupport.h"
#include "engine/base/Failure.h"
#include "history/Schema.h"
#include "history/Store.h"

namespace parvex::test {
namespace {

class StoreHistory : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    location = FreshStoreLocation(GetParam(), dir);
    store = Store::Open(location);
  }
  TempDir dir;
  std::string location;
  std::unique_ptr<Store> store;
};

std::string Archive(const std::string& value12, const std::string& units12,
                    const std::string& tail = "") {
  return "$ h\n1.1\tA\t1\tu\n1.2\tB\t" + value12 + "\t" + units12 + "\n1.2\tB again\tx\tu\n" + tail;
}

TEST_P(StoreHistory, ValueHistoryHasTheFirstAndEveryChange) {
  struct Step {
    std::string bytes;
    UnixSeconds taken;
  };
  const std::vector<Step> steps = {
      {"$ h\n1.1\tA\t1\tu\n", 10},                 // not there yet: no line
      {Archive("5", "mm"), 20},                    // first: 5 mm
      {Archive("5", "mm", "9.9\tZ\t1\tu\n"), 30},  // other lines only: no line
      {Archive("6", "mm"), 40},                    // value
      {Archive("6", "in"), 50},                    // units
      {"$ h\n1.1\tA\t2\tu\n", 60},                 // gone
      {Archive("6", "in", "\n"), 70},              // back
      // The second line of the address changes: not the first's history.
      {"$ h\n1.1\tA\t1\tu\n1.2\tB\t6\tin\n1.2\tB\ty\tu\n", 80},
  };
  // Added out of order: the history follows the times taken.
  for (std::size_t k = steps.size(); k-- > 0;) {
    ASSERT_TRUE(store->Add("m", steps[k].bytes, steps[k].taken, "").added);
  }
  struct Seen {
    UnixSeconds taken;
    bool present;
    std::string value, units;
    bool operator==(const Seen&) const = default;
  };
  std::vector<Seen> seen;
  for (const ValueStep& v : store->ValueHistory("m", "1.2")) {
    seen.push_back({v.taken, v.present, v.value, v.units});
  }
  EXPECT_EQ(seen, (std::vector<Seen>{{20, true, "5", "mm"},
                                     {40, true, "6", "mm"},
                                     {50, true, "6", "in"},
                                     {60, false, "", ""},
                                     {70, true, "6", "in"}}));
  // The address as a number: 01.20 is 1.20 is member 20, not 2.
  EXPECT_TRUE(store->ValueHistory("m", "01.2").size() == 5);
  EXPECT_TRUE(store->ValueHistory("m", "1.20").empty());
  EXPECT_TRUE(store->ValueHistory("m", "4.4").empty());
  EXPECT_THROW(store->ValueHistory("m", "speed"), Failure);
  EXPECT_THROW(store->ValueHistory("nobody", "1.2"), Failure);
}

TEST_P(StoreHistory, DriftCountsTheNewestAgainstTheBaseline) {
  const std::string base = "1.0\tA\t1\tu\n1.1\tB\t2\tu\n1.2\tC\t3\tu\n1.2\tC\t4\tu\n";
  // 1.1 changed, the second 1.2 gone, 2.0 new; the baseline is not the
  // newest, and a snapshot between does not count.
  const std::string newest = "1.0\tA\t1\tu\n1.1\tB\t9\tu\n1.2\tC\t3\tu\n2.0\tD\t1\tu\n";
  const SnapshotId drifted = store->Add("drifted", base, 100, "").id;
  store->Add("drifted", "1.0\tA\t7\tu\n", 150, "");
  store->Add("drifted", newest, 200, "");
  store->SetBaseline("drifted", drifted);
  store->SetBaseline("steady", store->Add("steady", base, 100, "").id);
  store->Add("unmarked", base, 100, "");
  const auto lines = store->Drift();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].machine, "drifted");
  EXPECT_EQ(lines[0].newestTaken, 200);
  EXPECT_EQ(lines[0].baseline, drifted);
  EXPECT_EQ((std::vector<std::int64_t>{lines[0].changed, lines[0].missing, lines[0].extra}),
            (std::vector<std::int64_t>{1, 1, 1}));
  EXPECT_EQ(lines[1].machine, "steady");
  EXPECT_EQ(lines[1].changed + lines[1].missing + lines[1].extra, 0);
  EXPECT_EQ(lines[2].machine, "unmarked");
  EXPECT_FALSE(lines[2].baseline.has_value());
}

// Property: whatever the edits, every snapshot of a long chain (past the
// points where a whole text starts a chain, and the every-16th deltas)
// comes back byte for byte, and the store stays far smaller than the texts.
TEST_P(StoreHistory, LongChainsOfRandomEditsComeBackExactly) {
  std::mt19937 random(GetParam().size() * 7919 + 34);
  std::string text = MakeArchive(300, random, "\r\n");
  std::vector<std::pair<SnapshotId, std::string>> added;
  std::size_t textBytes = 0;
  for (int day = 0; day < 300; ++day) {
    text = EditArchive(text, random);
    const AddOutcome o = store->Add("m", text, 1000 + day, "");
    if (o.added) {
      added.emplace_back(o.id, text);
      textBytes += text.size();
    }
  }
  ASSERT_GT(added.size(), 280u);
  // Read in a scrambled order, so none finds its base read just before.
  std::shuffle(added.begin(), added.end(), random);
  for (const auto& [id, bytes] : added) ASSERT_EQ(store->Bytes(id), bytes) << id;
  auto raw = OpenRaw(location);
  const auto rows = raw->Run("SELECT SUM(LENGTH(data)) FROM snapshots");
  const auto kept = std::get<std::int64_t>(rows.at(0).at(0));
  EXPECT_LT(kept * 20, static_cast<std::int64_t>(textBytes));
}

// An older store: the version 1 tables, which kept no counts. Opening it
// brings it forward and makes the counts of the snapshots already there.
TEST_P(StoreHistory, AStoreOfTheVersionBeforeIsMigratedOnOpen) {
  std::mt19937 random(1);
  std::string text = MakeArchive(50, random);
  for (int k = 0; k < 20; ++k) {
    store->Add(k % 2 == 0 ? "even" : "odd", text, 100 - k, "");
    text = EditArchive(text, random);
  }
  const auto before = store->Log("even");
  store.reset();
  {
    auto raw = OpenRaw(location);
    raw->Run("ALTER TABLE snapshots DROP COLUMN changes");
    raw->Run("UPDATE schema_version SET version = 1");
    ASSERT_EQ(history::StoredSchemaVersion(*raw), 1);
  }
  store = Store::Open(location);
  EXPECT_EQ(history::StoredSchemaVersion(*OpenRaw(location)), history::kSchemaVersion);
  const auto after = store->Log("even");
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t k = 0; k < after.size(); ++k) {
    EXPECT_EQ(after[k].changes, before[k].changes) << k;
    EXPECT_EQ(after[k].sha256, before[k].sha256) << k;
  }
  // A store of a newer version than this program knows is left alone.
  OpenRaw(location)->Run("UPDATE schema_version SET version = 99");
  EXPECT_THROW(Store::Open(location), Failure);
}

TEST_P(StoreHistory, CheckFindsDamagedSnapshots) {
  std::mt19937 random(2);
  std::string text = MakeArchive(100, random);
  std::vector<SnapshotId> ids;
  for (int k = 0; k < 5; ++k) {
    ids.push_back(store->Add("m", text, k, "").id);
    text = EditArchive(text, random);
  }
  const SnapshotId whole = store->Add("other", text, 1, "").id;
  CheckOutcome sound = store->Check();
  EXPECT_TRUE(sound.databaseSound);
  EXPECT_TRUE(sound.badSnapshots.empty());
  EXPECT_EQ(sound.snapshotsChecked, 6);
  auto raw = OpenRaw(location);
  // A byte of the third's frame spoiled: it, and the deltas made on it, are
  // lost; a SHA-256 spoiled: that one alone.
  const auto frame = raw->Run("SELECT data FROM snapshots WHERE id = ?", {ids[2]});
  std::string bytes = std::get<Blob>(frame.at(0).at(0)).bytes;
  bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x20);
  raw->Run("UPDATE snapshots SET data = ? WHERE id = ?", {Blob{bytes}, ids[2]});
  raw->Run("UPDATE snapshots SET sha256 = ? WHERE id = ?", {std::string(64, '0'), whole});
  const CheckOutcome damaged = store->Check();
  EXPECT_TRUE(damaged.databaseSound);
  EXPECT_EQ(damaged.badSnapshots, (std::vector<SnapshotId>{ids[2], ids[3], ids[4], whole}));
  EXPECT_EQ(store->Bytes(ids[1]).size() > 0, true);
  try {
    store->Bytes(ids[3]);
    ADD_FAILURE() << "a damaged snapshot read back";
  } catch (const Failure& f) {
    EXPECT_NE(f.Description().find("history check"), std::string::npos) << f.Description();
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, StoreHistory, ::testing::ValuesIn(TestedBackends()),
                         [](const auto& backend) { return backend.param; });

}  // namespace
}  // namespace parvex::test
