#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "CliText.h"

namespace parvex {

// What `parvex-cli archives` or `parvex-cli structures` was given.
struct PairCommand {
  bool structures = false;
  QStringList arguments;  // two archives, or one archive and two structure numbers
  bool includeReadOnly = false;
  bool byAddress = false;
  bool numbersByValue = false;
  bool units = false;
  bool csv = false;
  bool json = false;
  bool html = false;
  std::optional<QString> output;
  std::optional<QString> rules;
};

// Compares, writes the report and tells the notes and the count on standard
// error; returns the exit status. Messages go through the run's reporter,
// whose box must tell whether one was shown (shown).
int RunPairCommand(const PairCommand& command, const CliStreams& streams, const bool& shown);

}  // namespace parvex
