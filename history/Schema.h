#pragma once

#include "history/Database.h"

namespace parvex::history {

// The version of the tables this program writes. Version 1 kept machines and
// their snapshots; version 2 keeps each snapshot's count of values changed
// since the one taken before it.
inline constexpr int kSchemaVersion = 2;

// The version of the store's tables; 0 for a store without any.
int StoredSchemaVersion(Database& db);

// Brings the store's tables forward to version target, one step at a time,
// each in a transaction of its own. Throws a Failure for a store of a newer
// version than this program knows.
void Migrate(Database& db, int target = kSchemaVersion);

}  // namespace parvex::history
