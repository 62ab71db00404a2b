#include <stdexcept>

#include "history/Database.h"

namespace parvex {

// This build has no PostgreSQL client: a postgresql:// store is refused.
std::unique_ptr<Database> OpenPostgres(const std::string&) {
  throw DbFailure(DbFailureKind::Other,
                  "PostgreSQL support is not built in; use a history store file instead");
}

}  // namespace parvex
