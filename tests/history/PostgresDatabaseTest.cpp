// The PostgreSQL side of the history store's database interface, against the
// throw-away server the tests start (the store's own suite runs on it too).

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "HistorySupport.h"
#include "history/Changes.h"
#include "history/Database.h"
#include "history/PostgresSql.h"
#include "history/Store.h"

namespace parvex {
namespace {

TEST(PostgresPlaceholders, NumberedOutsideQuotesAndComments) {
  struct Case {
    const char* sql;
    const char* numbered;
    int count;
  };
  const Case cases[] = {
      {"SELECT 1", "SELECT 1", 0},
      {"INSERT INTO t VALUES (?, ?, ?)", "INSERT INTO t VALUES ($1, $2, $3)", 3},
      {"SELECT '?', ? WHERE a = 'it''s ?'", "SELECT '?', $1 WHERE a = 'it''s ?'", 1},
      {"SELECT \"odd?\" FROM t WHERE x = ?", "SELECT \"odd?\" FROM t WHERE x = $1", 1},
      {"SELECT ? -- why?\n, ? /* or ? */", "SELECT $1 -- why?\n, $2 /* or ? */", 2},
      {"SELECT '?", "SELECT '?", 0},
  };
  for (const Case& c : cases) {
    int count = -1;
    EXPECT_EQ(postgres::NumberPlaceholders(c.sql, count), c.numbered) << c.sql;
    EXPECT_EQ(count, c.count) << c.sql;
  }
}

class PostgresDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test::TestedBackends().back() != "postgresql") {
      GTEST_SKIP() << "no PostgreSQL test server (PARVEX_TEST_PG_URI unset)";
    }
    uri_ = test::FreshStoreLocation("postgresql", dir_);
    db_ = OpenPostgres(uri_);
  }

  test::TempDir dir_;
  std::string uri_;  // a database of this test's own
  std::unique_ptr<Database> db_;
};

// A value as a test can compare and show it.
std::string Shown(const DbValue& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value))
    return "int " + std::to_string(*number);
  if (const auto* text = std::get_if<std::string>(&value)) return "text " + *text;
  if (const auto* blob = std::get_if<Blob>(&value)) {
    std::string hex = "bytes ";
    for (unsigned char c : blob->bytes)
      hex += "0123456789abcdef"[c / 16], hex += "0123456789abcdef"[c % 16];
    return hex;
  }
  return "NULL";
}

std::vector<std::vector<std::string>> Shown(const std::vector<DbRow>& rows) {
  std::vector<std::vector<std::string>> shown;
  for (const DbRow& row : rows) {
    shown.emplace_back();
    for (const DbValue& value : row) shown.back().push_back(Shown(value));
  }
  return shown;
}

std::string EveryByte() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes + std::string("\0\0", 2);
}

// Each kind of value goes in as a parameter and comes back the same from a
// column of its type: bytes in binary (a NUL, every byte), integers at their
// ends, NULL, and a sum of big integers (which the server makes a numeric).
TEST_F(PostgresDatabaseTest, ValuesComeBackAsTheyWent) {
  db_->Run("CREATE TABLE t (id BIGSERIAL PRIMARY KEY, n BIGINT, s TEXT, b BYTEA, z BIGINT)");
  const std::vector<DbRow> rows = {
      {std::int64_t{INT64_MAX}, std::string("a ? b 'c'"), Blob{EveryByte()}, std::monostate{}},
      {std::int64_t{INT64_MIN}, std::string(""), Blob{""}, std::int64_t{0}},
      {std::int64_t{7}, std::string("\xc3\xa9t\xc3\xa9"), Blob{std::string(70000, '\0')},
       std::int64_t{-1}},
  };
  std::int64_t id = 0;
  for (const DbRow& row : rows) {
    const auto back = db_->Run("INSERT INTO t (n, s, b, z) VALUES (?, ?, ?, ?) RETURNING id", row);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(std::get<std::int64_t>(back[0][0]), ++id);
  }
  EXPECT_EQ(Shown(db_->Run("SELECT n, s, b, z FROM t WHERE id > ? ORDER BY id", {std::int64_t{0}})),
            Shown(rows));
  const auto sums =
      db_->Run("SELECT SUM(z), COUNT(*), SUM(n) FROM t WHERE id <> ?", {std::int64_t{2}});
  EXPECT_EQ(Shown(sums), Shown(std::vector<DbRow>{{std::int64_t{-1}, std::int64_t{2},
                                                   std::string("9223372036854775814")}}));
}

TEST_F(PostgresDatabaseTest, FailuresTellTheStoreWhatToDo) {
  db_->Run("CREATE TABLE t (name TEXT UNIQUE)");
  db_->Run("INSERT INTO t VALUES (?)", {std::string("a")});
  try {
    db_->Run("INSERT INTO t VALUES (?)", {std::string("a")});
    FAIL() << "a second row of the same name went in";
  } catch (const DbFailure& failure) {
    EXPECT_EQ(failure.Kind(), DbFailureKind::Conflict) << failure.what();
  }
  // A transaction that failed half way is not committed as if it had not.
  db_->BeginWrite();
  db_->Run("INSERT INTO t VALUES (?)", {std::string("b")});
  EXPECT_THROW(db_->Run("INSERT INTO t VALUES (?)", {std::string("a")}), DbFailure);
  EXPECT_THROW(db_->Commit(), DbFailure);
  db_->Rollback();
  EXPECT_EQ(Shown(db_->Run("SELECT COUNT(*) FROM t")),
            Shown(std::vector<DbRow>{{std::int64_t{1}}}));

  // Another program holding a lock longer than this one waits: Busy.
  auto other = OpenPostgres(uri_);
  other->BeginWrite();
  other->Run("LOCK TABLE t");
  db_->Run("SET lock_timeout = '50ms'");
  try {
    db_->Run("SELECT * FROM t");
    FAIL() << "read a locked table";
  } catch (const DbFailure& failure) {
    EXPECT_EQ(failure.Kind(), DbFailureKind::Busy) << failure.what();
  }
  other->Rollback();
  EXPECT_EQ(db_->IntegrityCheck(), "");
}

// The address given, the environment's password settings, and what the
// message must name (and never hold).
struct ConnectCase {
  const char* what;
  std::string uri;
  const char* password;  // PGPASSWORD, or nullptr to leave the password file
  std::vector<std::string> named;
};

TEST_F(PostgresDatabaseTest, ConnectionFailuresNameTheServerNeverThePassword) {
  const std::string uri = uri_;
  const std::string socket =
      uri.substr(uri.find("host=") + 5, uri.find('&') - uri.find("host=") - 5);
  std::string wrongPort = uri.substr(0, uri.find("port=")) + "port=1";
  const std::string database = uri.substr(uri.find("@/") + 2, uri.find('?') - uri.find("@/") - 2);
  const ConnectCase cases[] = {
      {"server down", wrongPort, nullptr, {socket, database, "port 1", "No such file"}},
      {"password refused", uri, "not-the-password-8271", {socket, database, "refused"}},
      {"password in the address",
       "postgresql://parvex:hunter2-8271@/x?host=" + socket,
       nullptr,
       {"PGPASSWORD", "password file"}},
  };
  for (const ConnectCase& c : cases) {
    if (c.password) setenv("PGPASSWORD", c.password, 1);
    try {
      OpenPostgres(c.uri);
      ADD_FAILURE() << c.what << ": connected";
    } catch (const DbFailure& failure) {
      const std::string message = failure.what();
      for (const std::string& word : c.named) {
        EXPECT_NE(message.find(word), std::string::npos) << c.what << ": " << message;
      }
      EXPECT_EQ(message.find("8271"), std::string::npos) << c.what << ": " << message;
    }
    unsetenv("PGPASSWORD");
  }
}

// The i-th archive process p adds: to a machine of its own on odd turns, else
// to one both add to, every other time the same bytes as the other process.
std::pair<std::string, std::string> Turn(int p, int i) {
  if (i % 2 == 1) {
    return {"own" + std::to_string(p), "$ own\n1.0\tTurn\t" + std::to_string(i) + "\tmm\n"};
  }
  const int who = i % 4 == 0 ? 9 : p;
  return {"shared", "$ shared\n1.0\tTurn\t" + std::to_string(i) + "\tmm\n2.0\tBy\t" +
                        std::to_string(who) + "\tV\n"};
}
constexpr int kTurns = 100;

int AddTurns(const std::string& uri, int p) {
  try {
    const auto store = Store::Open(uri);
    for (int i = 0; i < kTurns; ++i) {
      const auto [machine, bytes] = Turn(p, i);
      // Times interleave with the other's, so that each add mends its counts.
      store->Add(machine, bytes, 1000 + 2 * i + p, "");
    }
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "process %d: %s\n", p, e.what());
    return 1;
  }
}

// Two programs adding at once to a store neither has made yet: they race to
// make its tables, the shared machine and the same snapshot, and nothing
// either added may be missing or changed.
TEST_F(PostgresDatabaseTest, TwoProcessesAddingAtOnceLoseNothing) {
  db_.reset();  // no connection of this process carried into the children
  std::vector<pid_t> children;
  for (int p = 0; p < 2; ++p) {
    const pid_t pid = fork();
    if (pid == 0) _exit(AddTurns(uri_, p));
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  std::map<std::string, std::set<std::string>> expected;
  for (int p = 0; p < 2; ++p) {
    for (int i = 0; i < kTurns; ++i) {
      const auto [machine, bytes] = Turn(p, i);
      expected[machine].insert(bytes);
    }
  }
  const auto store = Store::Open(uri_);
  for (const auto& [machine, archives] : expected) {
    std::set<std::string> found;
    for (const SnapshotSummary& s : store->Log(machine)) found.insert(store->Bytes(s.id));
    EXPECT_EQ(found, archives) << machine;
    EXPECT_EQ(store->Log(machine).size(), archives.size()) << machine;
  }
  const auto shared = store->Log("shared");
  for (std::size_t k = 1; k < shared.size(); ++k) {
    EXPECT_EQ(
        shared[k].changes,
        history::CountChanges(store->Bytes(shared[k - 1].id), store->Bytes(shared[k].id)).Total())
        << k;
  }
  EXPECT_TRUE(store->Check().databaseSound);
}

}  // namespace
}  // namespace parvex
