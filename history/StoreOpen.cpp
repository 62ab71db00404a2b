#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "engine/base/Failure.h"
#include "history/SqlStore.h"
#include "history/Transaction.h"

namespace parvex {

namespace {

bool IsServerUri(const std::string& location) {
  return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

// A password in the URI would show in the process list and the shell's
// history: it must come from the environment or a password file.
void RefusePassword(const std::string& uri) {
  const std::size_t start = uri.find("://") + 3;
  const std::size_t end = uri.find_first_of("/?#", start);
  const std::string authority = uri.substr(start, end == std::string::npos ? end : end - start);
  const std::size_t at = authority.rfind('@');
  const bool inUser =
      at != std::string::npos && authority.substr(0, at).find(':') != std::string::npos;
  const std::size_t query = uri.find('?');
  const bool inQuery =
      query != std::string::npos && (uri.find("?password=", query) != std::string::npos ||
                                     uri.find("&password=", query) != std::string::npos);
  if (inUser || inQuery) {
    throw Failure(kErrPermission,
                  "The history store's address holds a password: leave it out and give it in "
                  "PGPASSWORD or a password file (~/.pgpass)");
  }
}

std::unique_ptr<Database> OpenFile(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  if (ec) {
    throw Failure(kErrPathNotFound,
                  "The folder of the history store '" + path + "' cannot be made: " + ec.message());
  }
  return OpenSqlite(path);
}

}  // namespace

std::unique_ptr<Store> Store::Open(const std::string& location) {
  try {
    if (IsServerUri(location)) {
      RefusePassword(location);
      return history::OpenStoreOn(OpenPostgres(location), location);
    }
    return history::OpenStoreOn(OpenFile(location), location);
  } catch (const DbFailure& failure) {
    throw history::StoreFailure(failure, "");
  }
}

std::string Store::DefaultLocation() {
  const auto env = [](const char* name) -> std::string {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
  };
#ifdef _WIN32
  std::string folder = env("LOCALAPPDATA");
  if (folder.empty()) folder = env("USERPROFILE") + "\\AppData\\Local";
  return folder + "\\Parvex\\history.sqlite";
#else
  std::string data = env("XDG_DATA_HOME");
  // Relative folders are to be ignored, as the XDG rules say.
  if (data.empty() || data.front() != '/') data = env("HOME") + "/.local/share";
  return data + "/parvex/history.sqlite";
#endif
}

}  // namespace parvex
