#pragma once

#include <string>

namespace parvex::test {

// The test server that tests/history/pg-server.sh starts before the history
// tests (a CTest fixture): its address is in PARVEX_TEST_PG_URI and libpq
// finds the password through PGPASSFILE. Empty when no server was started.
std::string TestServerUri();

// A database of its own on the test server for one test, created empty and
// dropped at the end, so that tests running side by side never meet.
class FreshPostgresDatabase {
 public:
  FreshPostgresDatabase();
  ~FreshPostgresDatabase();
  FreshPostgresDatabase(const FreshPostgresDatabase&) = delete;
  FreshPostgresDatabase& operator=(const FreshPostgresDatabase&) = delete;

  // The address of the new database (no password in it).
  const std::string& Uri() const { return uri_; }

 private:
  std::string name_;
  std::string uri_;
};

}  // namespace parvex::test
