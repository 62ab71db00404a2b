#pragma once
// What the engine's pairing tests share: the options they compare under and
// the notes they expect.

#include "support/TestSupport.h"

namespace parvex::test {

inline const std::string M = "(missing)";
inline const CompareOptions kPosition{};
inline const CompareOptions kPositionRO = ReadOnly(true);
inline const CompareOptions kByAddress{true, false};
inline const CompareOptions kByAddressRO = ReadOnly(true, kByAddress);

inline PairingNotes LeftOver(int archive, std::uint64_t lines, std::uint64_t from) {
  PairingNotes notes;
  notes.leftOverArchive = archive;
  notes.leftOver = lines;
  notes.leftOverFrom = from;
  return notes;
}

// Lines left over that could not be read to the end: counted as far as they
// could be.
inline PairingNotes Unreadable(int archive, std::uint64_t counted, std::uint64_t from) {
  PairingNotes notes = LeftOver(archive, counted, from);
  notes.leftOverComplete = false;
  return notes;
}

inline PairingNotes Shift(PairingNotes notes, std::uint64_t line, std::string address1,
                          std::string address2) {
  notes.shiftLine = line;
  notes.address1 = std::move(address1);
  notes.address2 = std::move(address2);
  return notes;
}

}  // namespace parvex::test
