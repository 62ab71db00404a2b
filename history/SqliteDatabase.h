#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "history/Database.h"

namespace parvex {

// OpenSqlite with how long a statement waits for another program's lock
// before it fails as busy; tests shorten it.
std::unique_ptr<Database> OpenSqliteWaiting(const std::string& path,
                                            std::chrono::milliseconds wait);

}  // namespace parvex
