// The history store on SQLite against what goes wrong around it: two
// programs adding at once, a program killed while adding, a statement that
// fails anywhere in an add, a file that is no store, a store locked by
// another program, a full disk.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "HistorySupport.h"
#include "engine/base/Failure.h"
#include "engine/taking/Sha256.h"
#include "history/Changes.h"
#include "history/SqlStore.h"
#include "history/SqliteDatabase.h"

namespace parvex {
// Rows compared whole, bytes too.
static bool operator==(const Blob& a, const Blob& b) {
  return a.bytes == b.bytes;
}
}  // namespace parvex

namespace parvex::test {
namespace {

std::string Sha(const std::string& bytes) {
  Sha256 sha;
  sha.Add(bytes);
  return sha.Hex();
}

std::string Snapshot(int writer, int k) {
  return "$ writer " + std::to_string(writer) + "\n1.0\tCount\t" + std::to_string(k) +
         "\tu\n2.0\tFixed\t1\tu\n";
}

// Runs body in a child process, which ends with status 0 when body returns.
pid_t Child(const std::function<void()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    try {
      body();
      _exit(0);
    } catch (...) {
      _exit(3);
    }
  }
  return pid;
}

int StatusOf(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Every count in the log is the one rule applied to its neighbours, and
// every machine holds a snapshot: what a half-done add would break.
void ExpectConsistent(Store& store) {
  const CheckOutcome check = store.Check();
  EXPECT_TRUE(check.databaseSound) << check.databaseReport;
  EXPECT_TRUE(check.badSnapshots.empty());
  for (const MachineSummary& m : store.Machines()) {
    const auto log = store.Log(m.name);
    EXPECT_FALSE(log.empty()) << m.name;
    for (std::size_t k = 1; k < log.size(); ++k) {
      EXPECT_EQ(log[k].changes,
                history::CountChanges(store.Bytes(log[k - 1].id), store.Bytes(log[k].id)).Total())
          << m.name << " " << log[k].id;
    }
  }
}

TEST(HistoryFaults, TwoProgramsAddingAtOnceLoseNothing) {
  TempDir dir;
  const std::string location = dir.File("h.sqlite");
  Store::Open(location);
  int gate[2];
  ASSERT_EQ(pipe(gate), 0);
  std::vector<pid_t> writers;
  for (int w = 0; w < 2; ++w) {
    writers.push_back(Child([&, w] {
      char go = 0;
      close(gate[1]);
      if (read(gate[0], &go, 1) != 0) return;  // both start when the gate closes
      auto store = Store::Open(location);
      for (int k = 0; k < 100; ++k) {
        // Both into one machine, at times that interleave, so each add
        // mends the other's counts.
        store->Add("shared", Snapshot(w, k), 2 * k + w, "");
      }
    }));
  }
  close(gate[0]);
  close(gate[1]);
  for (const pid_t pid : writers) EXPECT_EQ(StatusOf(pid), 0);
  auto store = Store::Open(location);
  const auto log = store->Log("shared");
  ASSERT_EQ(log.size(), 200u);
  for (int k = 0; k < 200; ++k) EXPECT_EQ(store->Bytes(log[k].id), Snapshot(k % 2, k / 2)) << k;
  ExpectConsistent(*store);
}

TEST(HistoryFaults, AProgramKilledWhileAddingLeavesEveryFinishedAdd) {
  TempDir dir;
  const std::string location = dir.File("h.sqlite");
  std::mt19937 random(34);
  std::set<std::string> finished;
  for (int round = 0; round < 8; ++round) {
    int done[2];
    ASSERT_EQ(pipe(done), 0);
    const pid_t pid = Child([&] {
      close(done[0]);
      auto store = Store::Open(location);
      std::mt19937 mine(static_cast<unsigned>(round));
      std::string text = MakeArchive(2000, mine);
      for (int k = 0;; ++k) {
        text = EditArchive(text, mine);
        // New machines now and then, times out of order: every step of an
        // add is somewhere to be killed.
        const std::string machine = "m" + std::to_string(round) + "-" + std::to_string(k / 5);
        store->Add(machine, text, static_cast<UnixSeconds>(mine() % 1000), "");
        const std::string line = machine + " " + Sha(text) + "\n";
        if (write(done[1], line.data(), line.size()) < 0) return;
      }
    });
    close(done[1]);
    // Killed some time after its first add, however slow the build: each
    // round then kills it in the middle of some later one.
    std::string told;
    char buffer[4096];
    for (ssize_t n;
         told.find('\n') == std::string::npos && (n = read(done[0], buffer, sizeof buffer)) > 0;) {
      told.append(buffer, n);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 300));
    kill(pid, SIGKILL);
    EXPECT_EQ(StatusOf(pid), 128 + SIGKILL);
    for (ssize_t n; (n = read(done[0], buffer, sizeof buffer)) > 0;) told.append(buffer, n);
    close(done[0]);
    for (std::size_t at = 0, lf; (lf = told.find('\n', at)) != std::string::npos; at = lf + 1) {
      finished.insert(told.substr(at, lf - at));
    }
  }
  auto store = Store::Open(location);
  std::set<std::string> present;
  for (const MachineSummary& m : store->Machines()) {
    for (const SnapshotSummary& s : store->Log(m.name)) {
      present.insert(m.name + " " + s.sha256);
    }
  }
  for (const std::string& add : finished) EXPECT_EQ(present.count(add), 1u) << add;
  EXPECT_GE(finished.size(), 8u);
  ExpectConsistent(*store);
}

// The store's own database, failing its n-th statement once armed.
class FailingDatabase final : public Database {
 public:
  explicit FailingDatabase(std::unique_ptr<Database> inner) : inner_(std::move(inner)) {}
  Dialect Kind() const override { return inner_->Kind(); }
  std::vector<DbRow> Run(const std::string& sql, const std::vector<DbValue>& params) override {
    Count();
    return inner_->Run(sql, params);
  }
  void BeginWrite() override { inner_->BeginWrite(); }
  void Commit() override {
    Count();
    inner_->Commit();
  }
  void Rollback() noexcept override { inner_->Rollback(); }
  std::string IntegrityCheck() override { return inner_->IntegrityCheck(); }
  void FailAt(int n) {
    failAt = n;
    count = 0;
  }
  int failAt = -1;
  int count = 0;

 private:
  void Count() {
    if (++count == failAt) throw DbFailure(DbFailureKind::Other, "planted failure");
  }
  std::unique_ptr<Database> inner_;
};

std::vector<DbRow> Everything(Database& db) {
  std::vector<DbRow> rows = db.Run("SELECT * FROM machines ORDER BY id");
  for (DbRow& r : db.Run("SELECT * FROM snapshots ORDER BY id")) rows.push_back(std::move(r));
  return rows;
}

TEST(HistoryFaults, AnAddThatFailsAnywhereLeavesTheStoreAsItWas) {
  TempDir dir;
  const std::string location = dir.File("h.sqlite");
  auto failing = std::make_unique<FailingDatabase>(OpenSqlite(location));
  FailingDatabase& db = *failing;
  auto store = history::OpenStoreOn(std::move(failing), location);
  std::mt19937 random(5);
  const std::string a = MakeArchive(40, random);
  store->Add("m", a, 100, "");
  store->Add("m", EditArchive(a, random), 300, "");
  // A new machine, and a snapshot landing between two (whose count mends).
  const std::vector<std::pair<std::string, UnixSeconds>> adds = {{"new", 5}, {"m", 200}};
  for (const auto& [machine, taken] : adds) {
    const std::string bytes = EditArchive(a, random);
    bool added = false;
    for (int n = 1; n < 100 && !added; ++n) {
      auto raw = OpenSqlite(location);
      const auto before = Everything(*raw);
      db.FailAt(n);
      try {
        added = store->Add(machine, bytes, taken, "").added;
      } catch (const Failure&) {
        EXPECT_EQ(Everything(*raw), before) << machine << ": statement " << n;
      }
    }
    EXPECT_TRUE(added) << machine;
    db.FailAt(-1);
  }
  ExpectConsistent(*store);
}

TEST(HistoryFaults, AFileThatIsNoStoreIsToldSo) {
  TempDir dir;
  const std::string text = dir.Write("notes.txt", std::string(3000, 'x'));
  try {
    Store::Open(text);
    ADD_FAILURE() << "opened";
  } catch (const Failure& f) {
    EXPECT_EQ(f.Description().rfind("The history store '" + text + "' is not a database", 0), 0u)
        << f.Description();
  }
  EXPECT_EQ(ReadBytes(text), std::string(3000, 'x'));
  // A folder where the file should be.
  std::filesystem::create_directory(dir.Path() / "folder");
  EXPECT_THROW(Store::Open(dir.File("folder")), Failure);
}

TEST(HistoryFaults, ALockedStoreFailsClearlyAfterItsWait) {
  TempDir dir;
  const std::string location = dir.File("h.sqlite");
  auto store =
      history::OpenStoreOn(OpenSqliteWaiting(location, std::chrono::milliseconds(300)), location);
  store->Add("m", "1.0\tA\t1\tu\n", 1, "");
  auto other = OpenSqlite(location);
  other->Run("BEGIN EXCLUSIVE");
  const auto start = std::chrono::steady_clock::now();
  try {
    store->Add("m", "1.0\tA\t2\tu\n", 2, "");
    ADD_FAILURE() << "added past the lock";
  } catch (const Failure& f) {
    EXPECT_NE(f.Description().find("is locked by another program (waited 300 ms)"),
              std::string::npos)
        << f.Description();
  }
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  other->Rollback();
  EXPECT_TRUE(store->Add("m", "1.0\tA\t2\tu\n", 2, "").added);
  EXPECT_EQ(store->Log("m").size(), 2u);
}

// A small file system of its own where the test may mount one (as root),
// else SQLite's own limit on the file's pages, which fails as a full disk
// does.
struct SmallDisk {
  explicit SmallDisk(const TempDir& dir) : folder((dir.Path() / "disk").string()) {
    std::filesystem::create_directory(folder);
    mounted = geteuid() == 0 && mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") == 0;
  }
  ~SmallDisk() {
    if (mounted) umount(folder.c_str());
  }
  std::unique_ptr<Database> Open(const std::string& path) const {
    auto db = OpenSqlite(path);
    if (!mounted) db->Run("PRAGMA max_page_count = 60");
    return db;
  }
  std::string folder;
  bool mounted = false;
};

TEST(HistoryFaults, AFullDiskAddsNothingAndLosesNothing) {
  TempDir dir;
  const SmallDisk disk(dir);
  std::cout << (disk.mounted ? "a 256 KiB tmpfs\n" : "SQLite's max_page_count\n");
  const std::string location = disk.folder + "/h.sqlite";
  auto store = history::OpenStoreOn(disk.Open(location), location);
  // Random digits, which do not compress, until the disk is full.
  std::mt19937 random(9);
  std::vector<std::string> added;
  std::string failure;
  for (int k = 0; k < 200 && failure.empty(); ++k) {
    const std::string text = MakeArchive(300, random);
    const std::string machine = "m" + std::to_string(k % 3);
    try {
      store->Add(machine, text, k, "");
      added.push_back(text);
    } catch (const Failure& f) {
      EXPECT_EQ(f.Number(), kErrDiskFull);
      failure = f.Description();
    }
  }
  ASSERT_FALSE(failure.empty()) << "never full";
  EXPECT_EQ(failure.rfind("The disk is full; nothing was added", 0), 0u) << failure;
  ASSERT_GT(added.size(), 2u);
  store.reset();
  auto again = history::OpenStoreOn(OpenSqlite(location), location);
  std::size_t present = 0;
  for (const MachineSummary& m : again->Machines()) present += again->Log(m.name).size();
  EXPECT_EQ(present, added.size());
  ExpectConsistent(*again);
}

}  // namespace
}  // namespace parvex::test
