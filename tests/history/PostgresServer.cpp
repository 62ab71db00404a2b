#include "history/PostgresServer.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

namespace parvex::test {

namespace {

// Runs one statement on the server's own database as the test role.
void RunOnServer(const std::string& sql) {
  PGconn* conn = PQconnectdb(TestServerUri().c_str());
  std::string error;
  if (PQstatus(conn) != CONNECTION_OK) {
    error = PQerrorMessage(conn);
  } else {
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    PGresult* result = PQexec(conn, sql.c_str());
    if (PQresultStatus(result) != PGRES_COMMAND_OK) error = PQresultErrorMessage(result);
    PQclear(result);
  }
  PQfinish(conn);
  if (!error.empty()) throw std::runtime_error("test server: " + sql + ": " + error);
}

// The address with another database: postgresql://user@host/NAME?options.
std::string WithDatabase(const std::string& uri, const std::string& name) {
  const std::size_t slash = uri.find('/', uri.find("://") + 3);
  const std::size_t query = uri.find('?', slash);
  if (slash == std::string::npos) throw std::runtime_error("test server: odd address " + uri);
  return uri.substr(0, slash + 1) + name + (query == std::string::npos ? "" : uri.substr(query));
}

}  // namespace

std::string TestServerUri() {
  const char* uri = std::getenv("PARVEX_TEST_PG_URI");
  return uri ? uri : "";
}

FreshPostgresDatabase::FreshPostgresDatabase() {
  static std::atomic<int> counter{0};
  name_ = "test_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
  RunOnServer("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
  RunOnServer("CREATE DATABASE " + name_);
  uri_ = WithDatabase(TestServerUri(), name_);
}

FreshPostgresDatabase::~FreshPostgresDatabase() {
  try {
    RunOnServer("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
  } catch (const std::exception&) {
    // A database left behind goes with the test server's folder.
  }
}

}  // namespace parvex::test
