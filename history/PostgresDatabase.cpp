// The history store's database on a PostgreSQL server, through libpq.
//
// The password never travels in the address: libpq takes it from PGPASSWORD
// or from a password file (PGPASSFILE, by default ~/.pgpass), and no message
// written here quotes the address itself.

#include <libpq-fe.h>

#include <cctype>
#include <charconv>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "history/Database.h"
#include "history/PostgresSql.h"

namespace parvex {

namespace {

// Type numbers (OIDs) of the server's built-in types read back as integers
// or bytes; they are fixed in every PostgreSQL release.
constexpr Oid kBoolOid = 16;
constexpr Oid kByteaOid = 17;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kOidOid = 26;
constexpr Oid kNumericOid = 1700;

// Every program writing to one store takes this lock first (as SQLite's
// write lock would), so that two adds wait for each other.
constexpr const char* kBeginWrite =
    "BEGIN ISOLATION LEVEL READ COMMITTED; SET LOCAL lock_timeout = '60s'; "
    "SELECT pg_advisory_xact_lock(7370418052541329204)";

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// libpq's words on one line: it ends lines with newlines and indents hints.
std::string OneLine(const char* text) {
  std::string out;
  for (const char* p = text ? text : ""; *p != '\0'; ++p) {
    const bool space = *p == '\n' || *p == '\t' || *p == '\r';
    if (space && (out.empty() || out.back() == ' ')) continue;
    if (*p == '\n' && std::isalnum(static_cast<unsigned char>(out.back()))) out += '.';
    if (*p == ' ' && !out.empty() && out.back() == ' ') continue;
    out += space ? ' ' : *p;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// Where a connection goes, as a person may read it (never a password).
std::string Where(PGconn* conn) {
  const std::string host = PQhost(conn) ? PQhost(conn) : "";
  const std::string port = PQport(conn) ? PQport(conn) : "";
  const std::string db = PQdb(conn) ? PQdb(conn) : "";
  const std::string user = PQuser(conn) ? PQuser(conn) : "";
  std::string where = "PostgreSQL database \"" + db + "\"";
  if (!host.empty() && host[0] == '/') {
    where += " on the socket in " + host + " (port " + port + ")";
  } else {
    where += " on " + (host.empty() ? std::string("the default host") : host) + " port " + port;
  }
  if (!user.empty()) where += " as user \"" + user + "\"";
  return where;
}

// Refuses an address that holds a password (it would show in process lists
// and shell histories) or that libpq cannot read.
void CheckAddress(const std::string& uri) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
  if (options == nullptr) {
    // libpq may quote a piece of the address, which can be a password.
    const bool mayHoldSecret = uri.find('@') != std::string::npos;
    std::string message = "not a valid PostgreSQL address";
    if (!mayHoldSecret && error) message += ": " + OneLine(error);
    PQfreemem(error);
    throw DbFailure(DbFailureKind::Other, message);
  }
  bool hasPassword = false;
  for (PQconninfoOption* o = options; o->keyword; ++o) {
    if (std::strcmp(o->keyword, "password") == 0 && o->val && *o->val) hasPassword = true;
  }
  PQconninfoFree(options);
  if (hasPassword) {
    throw DbFailure(DbFailureKind::Other,
                    "the PostgreSQL address holds a password: leave it out and give it in "
                    "PGPASSWORD or a password file (PGPASSFILE, by default ~/.pgpass)");
  }
}

std::string ConnectFailure(PGconn* conn) {
  std::string message =
      "cannot connect to the " + Where(conn) + ": " + OneLine(PQerrorMessage(conn));
  if (PQconnectionNeedsPassword(conn)) {
    message +=
        " (no password was found: set PGPASSWORD or write it in a password file, "
        "PGPASSFILE or ~/.pgpass)";
  } else if (PQconnectionUsedPassword(conn)) {
    message += " (the password from PGPASSWORD or the password file was refused)";
  }
  return message;
}

void IgnoreNotice(void*, const char*) {}

std::optional<std::int64_t> ParseInteger(const char* text, int length) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text, text + length, value);
  if (error != std::errc() || end != text + length) return std::nullopt;
  return value;
}

// One column of one row, by the column's type: integers as integers, bytea
// as bytes, anything else as its text.
DbValue CellValue(const PGresult* result, int row, int column) {
  if (PQgetisnull(result, row, column)) return std::monostate{};
  const char* text = PQgetvalue(result, row, column);
  const int length = PQgetlength(result, row, column);
  switch (PQftype(result, column)) {
    case kBoolOid:
      return std::int64_t{text[0] == 't' ? 1 : 0};
    case kByteaOid:
      if (auto bytes = postgres::DecodeByteaHex(std::string_view(text, length))) {
        return Blob{std::move(*bytes)};
      }
      throw DbFailure(DbFailureKind::Other, "the PostgreSQL server sent bytes in an unknown form");
    case kInt2Oid:
    case kInt4Oid:
    case kInt8Oid:
    case kOidOid:
    case kNumericOid:  // a sum of integers; a fraction or a huge one stays text
      if (auto value = ParseInteger(text, length)) return *value;
      break;
    default:
      break;
  }
  return std::string(text, length);
}

std::vector<DbRow> Rows(const PGresult* result) {
  const int rows = PQntuples(result);
  const int columns = PQnfields(result);
  std::vector<DbRow> out(rows);
  for (int r = 0; r < rows; ++r) {
    out[r].reserve(columns);
    for (int c = 0; c < columns; ++c) out[r].push_back(CellValue(result, r, c));
  }
  return out;
}

// The parameters as libpq takes them: integers and text as text (the server
// reads them as the column needs), bytes in binary as bytea, NULL as none.
class Parameters {
 public:
  explicit Parameters(const std::vector<DbValue>& params) {
    const std::size_t n = params.size();
    text_.resize(n);
    values_.resize(n, nullptr);
    lengths_.resize(n, 0);
    formats_.resize(n, 0);
    types_.resize(n, 0);
    for (std::size_t i = 0; i < n; ++i) Set(i, params[i]);
  }
  const Oid* Types() const { return types_.data(); }
  const char* const* Values() const { return values_.data(); }
  const int* Lengths() const { return lengths_.data(); }
  const int* Formats() const { return formats_.data(); }

 private:
  void Set(std::size_t i, const DbValue& value) {
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
      text_[i] = std::to_string(*number);
      values_[i] = text_[i].c_str();
      types_[i] = kInt8Oid;
    } else if (const auto* text = std::get_if<std::string>(&value)) {
      values_[i] = text->c_str();
    } else if (const auto* blob = std::get_if<Blob>(&value)) {
      values_[i] = blob->bytes.data();
      lengths_[i] = static_cast<int>(blob->bytes.size());
      formats_[i] = 1;
      types_[i] = kByteaOid;
    }
  }

  std::vector<std::string> text_;
  std::vector<const char*> values_;
  std::vector<int> lengths_, formats_;
  std::vector<Oid> types_;
};

class PostgresDatabase final : public Database {
 public:
  // Takes the connection over (closing it also when this throws).
  explicit PostgresDatabase(PGconn* conn)
      : owned_(conn, &PQfinish), conn_(conn), where_(Where(conn)) {
    PQsetNoticeProcessor(conn_, IgnoreNotice, nullptr);
    Expect(PQexec(conn_, "SET bytea_output = 'hex'"), "set up the connection");
  }
  PostgresDatabase(const PostgresDatabase&) = delete;
  PostgresDatabase& operator=(const PostgresDatabase&) = delete;

  Dialect Kind() const override { return Dialect::Postgres; }

  std::vector<DbRow> Run(const std::string& sql, const std::vector<DbValue>& params) override {
    int count = 0;
    const std::string numbered = postgres::NumberPlaceholders(sql, count);
    if (static_cast<std::size_t>(count) != params.size()) {
      throw DbFailure(DbFailureKind::Other, "a statement for the " + where_ + " takes " +
                                                std::to_string(count) + " parameters, given " +
                                                std::to_string(params.size()));
    }
    const Parameters p(params);
    Result result = Expect(PQexecParams(conn_, numbered.c_str(), count, p.Types(), p.Values(),
                                        p.Lengths(), p.Formats(), 0),
                           "run a statement");
    return Rows(result.get());
  }

  void BeginWrite() override { Expect(PQexec(conn_, kBeginWrite), "begin a transaction"); }

  void Commit() override {
    Result result = Expect(PQexec(conn_, "COMMIT"), "commit");
    // A transaction that failed earlier ends in a rollback that is no error.
    if (std::strcmp(PQcmdStatus(result.get()), "ROLLBACK") == 0) {
      throw DbFailure(DbFailureKind::Other,
                      "the " + where_ + " rolled back a failed transaction instead of committing");
    }
  }

  void Rollback() noexcept override { PQclear(PQexec(conn_, "ROLLBACK")); }

  // PostgreSQL has no whole-database check that an ordinary user may run:
  // this asks the server to answer and tells the data checksum failures it
  // has counted in this database (none when checksums are off).
  std::string IntegrityCheck() override {
    const auto rows = Run(
        "SELECT checksum_failures FROM pg_stat_database WHERE datname = current_database()", {});
    if (!rows.empty()) {
      const auto* failures = std::get_if<std::int64_t>(&rows[0][0]);
      if (failures && *failures > 0) {
        return "the server counted " + std::to_string(*failures) +
               " data checksum failures in the " + where_;
      }
    }
    return "";
  }

 private:
  // The result when the statement went through; else a DbFailure whose kind
  // follows the server's SQLSTATE.
  Result Expect(PGresult* raw, const char* what) {
    Result result(raw, &PQclear);
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;
    if (PQstatus(conn_) == CONNECTION_BAD) {
      throw DbFailure(DbFailureKind::Other, "lost the connection to the " + where_ + ": " +
                                                OneLine(PQerrorMessage(conn_)));
    }
    const char* state = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
    const char* primary =
        result ? PQresultErrorField(result.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const std::string sqlstate = state ? state : "";
    std::string message = std::string("could not ") + what + " in the " + where_ + ": " +
                          OneLine(primary ? primary : PQerrorMessage(conn_));
    if (!sqlstate.empty()) message += " (SQLSTATE " + sqlstate + ")";
    throw DbFailure(postgres::FailureKindOf(sqlstate), message);
  }

  std::unique_ptr<PGconn, decltype(&PQfinish)> owned_;
  PGconn* conn_;
  std::string where_;
};

}  // namespace

std::unique_ptr<Database> OpenPostgres(const std::string& uri) {
  CheckAddress(uri);
  // Earlier keywords are defaults the address may override (a server that
  // does not answer is given up after 10 s); later ones win over it.
  const char* keywords[] = {"connect_timeout", "application_name", "dbname", "client_encoding",
                            nullptr};
  const char* values[] = {"10", "parvex", uri.c_str(), "UTF8", nullptr};
  PGconn* conn = PQconnectdbParams(keywords, values, 1);
  if (conn == nullptr)
    throw DbFailure(DbFailureKind::Full, "out of memory connecting to PostgreSQL");
  if (PQstatus(conn) != CONNECTION_OK) {
    const std::string message = ConnectFailure(conn);
    PQfinish(conn);
    throw DbFailure(DbFailureKind::Other, message);
  }
  return std::make_unique<PostgresDatabase>(conn);
}

}  // namespace parvex
