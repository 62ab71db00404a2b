#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/reading/BatchReader.h"
#include "reference/ReferenceResult.h"

namespace parvex {

// The options of a reference comparison unless told otherwise: units judged,
// everything else off.
inline CompareOptions ReferenceDefaults() {
  CompareOptions options;
  options.CompareUnits = true;
  return options;
}

struct ReferenceRequest {
  std::string reference;
  std::vector<std::string> archives;  // paths, each compared once per mention
  std::vector<std::string> names;     // column headers, one per archive
  // Which archives a folder's walk found: one of those that is not an
  // archive is skipped (told in ReferenceResult::skipped), where one named
  // is told as not read. Empty: none.
  std::vector<bool> fromFolder;
  // What is judged: read-only lines, numbers, rules and units (judged
  // unless told otherwise). Lines are always paired by address.
  CompareOptions options = ReferenceDefaults();
  unsigned jobs = 0;  // archives compared at once; 0: one per core
  // Archives are compared as they are read where the reference allows it;
  // false: always through tables, for tests that hold the two ways together.
  bool asRead = true;
  ReadSizes sizes;
  // Told after each archive, from the thread that compared it, one call at a
  // time: how many archives are done and how many there are.
  std::function<void(std::size_t done, std::size_t total)> progress;
  // When set and it turns true, no further archive is started and the
  // result comes back marked cancelled, its matrix empty.
  const std::atomic<bool>* cancel = nullptr;
};

// Compares every archive with the reference, each paired with it by address
// as a comparison of two archives by address pairs Archive 1 (the reference)
// with Archive 2. The reference is read once and shared; each archive is read
// on a worker of a pool and only its deviations are kept. The result does
// not depend on the number of jobs or on the read sizes. A reference that
// cannot be read leaves every archive unread and the matrix empty.
ReferenceResult CompareWithReference(const ReferenceRequest& request);

}  // namespace parvex
