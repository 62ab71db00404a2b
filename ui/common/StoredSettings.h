#pragma once

// What the window's source files share: the settings store and the way the
// close and resize handlers pass over a failing step.

#include "engine/base/Failure.h"
#include "settings/Catalogue.h"

namespace parvex {

// The store, or the run time's failure for an object that is not set.
inline clsRegistry& Registry() {
  if (!gRegistry) throw Failure(91, "Object variable or With block variable not set");
  return *gRegistry;
}

template <typename Fn>
void SkipOnFailure(Fn&& step) {
  try {
    step();
  } catch (...) {
    // The close and resize handlers skip a failing step silently.
  }
}

}  // namespace parvex
