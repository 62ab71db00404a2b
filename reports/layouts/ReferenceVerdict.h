#pragma once

#include <cstddef>
#include <string>

namespace parvex {

struct ReferenceResult;

// What a reference comparison comes to, counted once for every layout that
// states it.
struct ReferenceVerdict {
  std::size_t archives = 0;   // columns of the matrix, read or not
  std::size_t deviating = 0;  // read and found to differ, lack or add lines
  std::size_t notRead = 0;
  std::size_t skipped = 0;  // files in folders that are not archives
  // In words: "5 of 21 archives deviate from the reference" or "All 21
  // archives equal the reference", then ", 1 not read" and ", 2 files
  // skipped" where there are any.
  std::string text;
};

ReferenceVerdict VerdictOf(const ReferenceResult& result);

}  // namespace parvex
