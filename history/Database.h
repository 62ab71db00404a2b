#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace parvex {

// The one database interface the history store speaks, with one
// implementation on SQLite and one on PostgreSQL. Statements are written once
// with "?" for each parameter (the PostgreSQL side numbers them); the few
// words that differ between the two (an id that counts itself, a column of
// bytes) come from the dialect. An insert that must tell its new id says
// "RETURNING id", which both understand.

// A parameter or a column: NULL, an integer, text, or bytes.
struct Blob {
  std::string bytes;
};
using DbValue = std::variant<std::monostate, std::int64_t, std::string, Blob>;
using DbRow = std::vector<DbValue>;

enum class Dialect { Sqlite, Postgres };

// Why a statement failed, as far as the store must tell it apart: another
// program holds the store or won the same insert (try the transaction again),
// the disk or the server is full, or anything else.
enum class DbFailureKind { Busy, Conflict, Full, Other };

class DbFailure : public std::exception {
 public:
  DbFailure(DbFailureKind kind, std::string message) : kind_(kind), message_(std::move(message)) {}
  DbFailureKind Kind() const noexcept { return kind_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  DbFailureKind kind_;
  std::string message_;
};

class Database {
 public:
  virtual ~Database() = default;
  virtual Dialect Kind() const = 0;
  // Runs one statement and returns its rows (none for statements that
  // return none). Throws DbFailure.
  virtual std::vector<DbRow> Run(const std::string& sql, const std::vector<DbValue>& params = {}) = 0;
  // One transaction that writes: on SQLite it takes the write lock at once,
  // so that two programs adding wait for each other instead of failing late.
  virtual void BeginWrite() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() noexcept = 0;
  // The database's own integrity check: empty when sound, else its words.
  virtual std::string IntegrityCheck() = 0;
};

// Opens (creating) an SQLite file; waits for a busy store rather than failing.
std::unique_ptr<Database> OpenSqlite(const std::string& path);
// Connects to a PostgreSQL server by a postgresql:// URI (no password in it).
std::unique_ptr<Database> OpenPostgres(const std::string& uri);

}  // namespace parvex
