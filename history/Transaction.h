#pragma once

#include <string>
#include <type_traits>

#include "engine/base/Failure.h"
#include "history/Database.h"

namespace parvex::history {

// The failure a person sees for a failure of the database: notDone says what
// was left undone ("nothing was added") where that matters, as on a full disk.
Failure StoreFailure(const DbFailure& failure, const std::string& notDone);

// Whether a transaction that failed so on its attempt-th try is worth another.
bool TryAgain(const Database& db, const DbFailure& failure, int attempt);

// Runs body as one transaction that writes: all of it or nothing. Another
// program that won the same insert, or a server that gave up on a
// transaction, lets it run again from the start a few times.
template <typename Body>
auto InWriteTransaction(Database& db, const std::string& notDone, Body&& body) -> decltype(body()) {
  for (int attempt = 1;; ++attempt) {
    try {
      db.BeginWrite();
      if constexpr (std::is_void_v<decltype(body())>) {
        body();
        db.Commit();
        return;
      } else {
        auto result = body();
        db.Commit();
        return result;
      }
    } catch (const DbFailure& failure) {
      db.Rollback();
      if (!TryAgain(db, failure, attempt)) throw StoreFailure(failure, notDone);
    } catch (...) {
      db.Rollback();
      throw;
    }
  }
}

// Runs a read, with the database's failures told as the store's.
template <typename Body>
auto Reading(Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const DbFailure& failure) {
    throw StoreFailure(failure, "");
  }
}

}  // namespace parvex::history
