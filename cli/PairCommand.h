#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

#include "CliText.h"

namespace parvex {

// What `parvex-cli archives` or `parvex-cli structures` was given.
// Its arguments: two archives, or one archive and two structure numbers.
struct PairCommand : CommandOptions {
  bool structures = false;
  bool byAddress = false;
  bool units = false;
  // Names that titles and notes give the two archives instead of their paths
  // (snapshots written out to be compared), or none.
  std::vector<std::string> shownAs;
};

// Compares, writes the report and tells the notes and the count on standard
// error; returns the exit status. Messages go through the run's reporter,
// whose box must tell whether one was shown (shown).
int RunPairCommand(const PairCommand& command, const CliStreams& streams, const bool& shown);

}  // namespace parvex
