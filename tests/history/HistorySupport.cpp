#include "HistorySupport.h"

#include <cstdlib>
#include <ctime>

namespace parvex::test {

std::vector<std::string> TestedBackends() {
  std::vector<std::string> backends{"sqlite"};
  const char* server = std::getenv("PARVEX_TEST_PG_URI");
  if (server != nullptr && *server != '\0') backends.push_back("postgresql");
  return backends;
}

std::string FreshStoreLocation(const std::string& backend, const TempDir& dir) {
  if (backend == "sqlite") return dir.File("history.sqlite");
  // A database of its own on the server for every test.
  const std::string server = std::getenv("PARVEX_TEST_PG_URI");
  static std::mt19937 random{std::random_device{}()};
  const std::string name = "parvex_test_" + std::to_string(random());
  OpenPostgres(server)->Run("CREATE DATABASE " + name);
  const std::size_t query = server.find('?');
  const std::size_t slash = server.find('/', server.find("://") + 3);
  const std::string head = server.substr(0, std::min(slash, query));
  return head + "/" + name + (query == std::string::npos ? "" : server.substr(query));
}

std::unique_ptr<Database> OpenRaw(const std::string& location) {
  if (location.rfind("postgres", 0) == 0) return OpenPostgres(location);
  return OpenSqlite(location);
}

std::string MakeArchive(int lines, std::mt19937& random, const std::string& end) {
  std::string text = "$ generated machine" + end;
  std::uniform_int_distribution<int> value(0, 99999);
  for (int i = 0; i < lines; ++i) {
    text += std::to_string(i / 10 + 1) + "." + std::to_string(i % 10) + "\tParameter " +
            std::to_string(i) + "\t" + std::to_string(value(random)) + "\tmm" + end;
  }
  return text;
}

std::string EditArchive(const std::string& text, std::mt19937& random) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t lf = text.find('\n', at);
    const std::size_t end = lf == std::string::npos ? text.size() : lf + 1;
    lines.push_back(text.substr(at, end - at));
    at = end;
  }
  std::uniform_int_distribution<std::size_t> pick(1, lines.size() - 1);
  std::uniform_int_distribution<int> kind(0, 9);
  for (int edits = 1 + kind(random) % 3; edits > 0; --edits) {
    std::string& line = lines[pick(random)];
    const std::size_t tab = line.find('\t', line.find('\t') + 1);
    switch (kind(random)) {
      case 0:
        line.clear();  // a line gone
        break;
      case 1:
        line += "999.1\tAdded\t1\tV\n";
        break;
      default:
        if (tab != std::string::npos) line.insert(tab + 1, std::to_string(kind(random)));
    }
  }
  std::string out;
  for (const std::string& line : lines) out += line;
  return out;
}

UnixSeconds Utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return static_cast<UnixSeconds>(timegm(&tm));
}

}  // namespace parvex::test
