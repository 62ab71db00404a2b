#include "engine/pairing/PairingNotes.h"

namespace parvex {

std::vector<std::string> PairingNoteTexts(const PairingNotes& notes) {
  std::vector<std::string> texts;
  for (const std::string& cut : notes.cutShort) texts.push_back(cut + ".");
  if (notes.LinesLeftOver()) {
    const std::string archive = "Archive " + std::to_string(notes.leftOverArchive);
    const std::string shorter = "Archive " + std::to_string(3 - notes.leftOverArchive);
    const std::string from = ", from line " + std::to_string(notes.leftOverFrom) + " on";
    const char* why =
        ": they were not compared, as comparing by position stops at the end of the shorter "
        "archive.";
    if (notes.leftOverComplete) {
      const char* lines = notes.leftOver == 1 ? " line" : " lines";
      texts.push_back(archive + " has " + std::to_string(notes.leftOver) + lines + " more than " +
                      shorter + from + why);
    } else {
      texts.push_back(archive + " has more lines than " + shorter + from +
                      " (not all of them could be read)" + why);
    }
  }
  if (notes.shiftLine > 0) {
    texts.push_back("Lines with different addresses were paired from line " +
                    std::to_string(notes.shiftLine) + " on (" + notes.address1 + " in Archive 1, " +
                    notes.address2 +
                    " in Archive 2): Options, Match Lines by Address pairs lines by address.");
  }
  return texts;
}

}  // namespace parvex
