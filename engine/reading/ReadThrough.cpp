#include "engine/reading/ReadThrough.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "engine/base/ErrorReport.h"
#include "engine/reading/Archive.h"
#include "engine/reading/BatchReader.h"

namespace parvex {

void ReadThrough(std::initializer_list<BatchReader*> readers, Messages& messages,
                 std::uint64_t* lines) {
  const std::vector<BatchReader*> all(readers);
  std::vector<bool> ended(all.size(), false);
  const auto count = [lines](std::size_t k, std::size_t n) {
    if (lines != nullptr) lines[k] += n;
  };
  for (;;) {
    // Asked in reader order, so that a file that fails is told in that order.
    std::size_t clean = std::numeric_limits<std::size_t>::max();
    bool reading = false;
    for (std::size_t k = 0; k < all.size(); ++k) {
      ended[k] = all[k]->AtEnd();
      if (!ended[k]) clean = std::min(clean, all[k]->Clean());
      reading = reading || !ended[k];
    }
    if (!reading) return;
    for (std::size_t k = 0; k < all.size(); ++k) {
      if (ended[k]) continue;
      if (clean > 0) {
        all[k]->Skip(clean);
        count(k, clean);
        continue;
      }
      const Failure* failure = all[k]->ParseFailure(all[k]->Next());
      count(k, 1);
      if (failure != nullptr) messages.Tell(kSplitLineTitle, *failure);
    }
  }
}

}  // namespace parvex
