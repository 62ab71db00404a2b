#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "history/Database.h"
#include "history/Store.h"
#include "support/TestSupport.h"

namespace parvex::test {

// The backends the one store suite runs against: SQLite always, and the
// PostgreSQL server named by PARVEX_TEST_PG_URI when it is set.
std::vector<std::string> TestedBackends();

// The location of a new, empty store on the backend (a file in dir, or a
// fresh database on the server).
std::string FreshStoreLocation(const std::string& backend, const TempDir& dir);

// The store's database itself, to read or spoil its tables behind the
// store's back.
std::unique_ptr<Database> OpenRaw(const std::string& location);

// An archive of lines parameter lines ("N.M<TAB>Name<TAB>value<TAB>units"),
// each line ended by the given end ("\n", "\r\n").
std::string MakeArchive(int lines, std::mt19937& random, const std::string& end = "\n");

// The archive with a few values changed, a line dropped or one added, as a
// machine's settings change from one backup to the next.
std::string EditArchive(const std::string& text, std::mt19937& random);

// Seconds of the given UTC date and time, for times that read the same
// everywhere.
UnixSeconds Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace parvex::test
