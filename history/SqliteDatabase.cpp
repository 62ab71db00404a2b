#include "history/SqliteDatabase.h"

#include <sqlite3.h>

#include <map>

namespace parvex {

namespace {

// Long enough for another program's add, or a whole import, to finish.
constexpr std::chrono::milliseconds kDefaultWait{30000};

struct StatementFinalize {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalize>;

std::string WaitText(std::chrono::milliseconds wait) {
  const auto ms = wait.count();
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
  return std::to_string(ms) + " ms";
}

class SqliteDatabase final : public Database {
 public:
  SqliteDatabase(const std::string& path, std::chrono::milliseconds wait)
      : path_(path), wait_(wait) {
    const int rc =
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
      const std::string why = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
      sqlite3_close(db_);
      throw DbFailure(DbFailureKind::Other,
                      "The history store '" + path + "' cannot be opened: " + why);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, static_cast<int>(wait.count()));
    try {
      // Reading the catalogue tells at once a file that is no database.
      Run("SELECT COUNT(*) FROM sqlite_master", {});
    } catch (...) {
      statements_.clear();
      sqlite3_close(db_);
      throw;
    }
  }
  ~SqliteDatabase() override {
    statements_.clear();
    sqlite3_close(db_);
  }
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  Dialect Kind() const override { return Dialect::Sqlite; }
  std::vector<DbRow> Run(const std::string& sql, const std::vector<DbValue>& params) override;
  void BeginWrite() override { Run("BEGIN IMMEDIATE", {}); }
  void Commit() override { Run("COMMIT", {}); }
  void Rollback() noexcept override {
    if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  std::string IntegrityCheck() override;

 private:
  sqlite3_stmt* Prepared(const std::string& sql);
  void Bind(sqlite3_stmt* s, const std::vector<DbValue>& params);
  static DbRow Columns(sqlite3_stmt* s);
  [[noreturn]] void Fail(int rc);

  sqlite3* db_ = nullptr;
  std::string path_;
  std::chrono::milliseconds wait_;
  // The store runs few statements, many times: each is prepared once.
  std::map<std::string, Statement> statements_;
};

sqlite3_stmt* SqliteDatabase::Prepared(const std::string& sql) {
  auto at = statements_.find(sql);
  if (at != statements_.end()) return at->second.get();
  sqlite3_stmt* s = nullptr;
  const int rc =
      sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size() + 1), &s, nullptr);
  if (rc != SQLITE_OK) Fail(rc);
  return statements_.emplace(sql, Statement(s)).first->second.get();
}

void SqliteDatabase::Bind(sqlite3_stmt* s, const std::vector<DbValue>& params) {
  for (std::size_t k = 0; k < params.size(); ++k) {
    const int i = static_cast<int>(k + 1);
    const DbValue& v = params[k];
    int rc = SQLITE_OK;
    if (const auto* n = std::get_if<std::int64_t>(&v)) {
      rc = sqlite3_bind_int64(s, i, *n);
    } else if (const auto* t = std::get_if<std::string>(&v)) {
      rc = sqlite3_bind_text64(s, i, t->data(), t->size(), SQLITE_STATIC, SQLITE_UTF8);
    } else if (const auto* b = std::get_if<Blob>(&v)) {
      // An empty blob bound from no bytes would read as NULL.
      rc = b->bytes.empty()
               ? sqlite3_bind_zeroblob(s, i, 0)
               : sqlite3_bind_blob64(s, i, b->bytes.data(), b->bytes.size(), SQLITE_STATIC);
    } else {
      rc = sqlite3_bind_null(s, i);
    }
    if (rc != SQLITE_OK) Fail(rc);
  }
}

DbRow SqliteDatabase::Columns(sqlite3_stmt* s) {
  DbRow row;
  const int count = sqlite3_column_count(s);
  for (int i = 0; i < count; ++i) {
    switch (sqlite3_column_type(s, i)) {
      case SQLITE_INTEGER:
      case SQLITE_FLOAT:
        row.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(s, i)));
        break;
      case SQLITE_TEXT: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        row.emplace_back(std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s, i))));
        break;
      }
      case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(s, i));
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(s, i));
        row.emplace_back(Blob{p == nullptr ? std::string() : std::string(p, size)});
        break;
      }
      default:
        row.emplace_back(std::monostate{});
    }
  }
  return row;
}

std::vector<DbRow> SqliteDatabase::Run(const std::string& sql, const std::vector<DbValue>& params) {
  sqlite3_stmt* s = Prepared(sql);
  // Reset and unbound on every way out, so the statement holds no lock.
  struct Reset {
    sqlite3_stmt* s;
    ~Reset() {
      sqlite3_reset(s);
      sqlite3_clear_bindings(s);
    }
  } reset{s};
  Bind(s, params);
  std::vector<DbRow> rows;
  for (;;) {
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) Fail(rc);
    rows.push_back(Columns(s));
  }
  return rows;
}

std::string SqliteDatabase::IntegrityCheck() {
  std::string report;
  for (const DbRow& row : Run("PRAGMA integrity_check", {})) {
    const auto* text = std::get_if<std::string>(&row.at(0));
    if (text != nullptr && *text == "ok") continue;
    if (!report.empty()) report += '\n';
    report += text != nullptr ? *text : std::string("(no text)");
  }
  return report;
}

void SqliteDatabase::Fail(int rc) {
  const std::string why = sqlite3_errmsg(db_);
  const std::string store = "The history store '" + path_ + "'";
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw DbFailure(DbFailureKind::Busy, store + " is locked by another program (waited " +
                                               WaitText(wait_) + "); try again when it is done");
    case SQLITE_FULL:
      throw DbFailure(DbFailureKind::Full, "The disk holding '" + path_ + "' is full");
    case SQLITE_NOTADB:
      throw DbFailure(DbFailureKind::Other, store + " is not a database: " + why);
    case SQLITE_CORRUPT:
      throw DbFailure(DbFailureKind::Other, store + " is damaged: " + why);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
      throw DbFailure(DbFailureKind::Other, store + " cannot be written: " + why);
    default:
      break;
  }
  if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) {
    throw DbFailure(DbFailureKind::Conflict, store + ": " + why);
  }
  throw DbFailure(DbFailureKind::Other, store + ": " + why);
}

}  // namespace

std::unique_ptr<Database> OpenSqliteWaiting(const std::string& path,
                                            std::chrono::milliseconds wait) {
  return std::make_unique<SqliteDatabase>(path, wait);
}

std::unique_ptr<Database> OpenSqlite(const std::string& path) {
  return OpenSqliteWaiting(path, kDefaultWait);
}

}  // namespace parvex
