#include "history/Transaction.h"

#include <chrono>
#include <random>
#include <thread>

namespace parvex::history {

namespace {

constexpr int kTries = 8;

}  // namespace

Failure StoreFailure(const DbFailure& failure, const std::string& notDone) {
  switch (failure.Kind()) {
    case DbFailureKind::Full:
      return Failure(kErrDiskFull,
                     "The disk is full; " +
                         (notDone.empty() ? std::string("nothing was changed") : notDone) + " (" +
                         failure.what() + ")");
    default:
      return Failure(kErrFileAccess, failure.what());
  }
}

bool TryAgain(const Database& db, const DbFailure& failure, int attempt) {
  const DbFailureKind kind = failure.Kind();
  if (attempt >= kTries) return false;
  // SQLite has waited out the other program's lock already, for as long as
  // the store allows; the server tells of a lost race at once.
  const bool retry = kind == DbFailureKind::Conflict ||
                     (kind == DbFailureKind::Busy && db.Kind() == Dialect::Postgres);
  if (!retry) return false;
  // Apart by a little chance, so two programs do not meet again in step.
  static thread_local std::minstd_rand random{std::random_device{}()};
  const int most = 5 << attempt;
  std::this_thread::sleep_for(std::chrono::milliseconds(1 + static_cast<int>(random() % most)));
  return true;
}

}  // namespace parvex::history
