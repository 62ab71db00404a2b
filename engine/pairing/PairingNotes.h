#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace parvex {

// What a comparison tells beside its rows: an archive that seems cut short,
// and, pairing by position, lines that met no line of the other archive and
// where lines of different addresses were first paired (an inserted or
// removed line shifts every pair after it).
struct PairingNotes {
  // Lines of the longer archive past the end of the shorter one; whatever
  // they hold, each counts.
  std::uint64_t leftOver = 0;
  int leftOverArchive = 0;         // 1 or 2; 0 when both archives have as many lines
  std::uint64_t leftOverFrom = 0;  // the first of them, counted from 1
  // False when the rest could not be read to its end: leftOver is then the
  // lines counted before the failure.
  bool leftOverComplete = true;

  std::uint64_t shiftLine = 0;  // the first pair of different addresses; 0 when none
  std::string address1;         // as the list shows addresses
  std::string address2;

  // Archives whose last line has no line end, probably cut short: one
  // sentence each, told first.
  std::vector<std::string> cutShort;

  bool LinesLeftOver() const { return leftOver > 0 || !leftOverComplete; }
  bool Any() const { return LinesLeftOver() || shiftLine > 0 || !cutShort.empty(); }
  friend bool operator==(const PairingNotes&, const PairingNotes&) = default;
};

// The notes as sentences, one each, in the order they are shown.
std::vector<std::string> PairingNoteTexts(const PairingNotes& notes);

}  // namespace parvex
