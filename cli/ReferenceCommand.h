#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "CliText.h"
#include "TakeCommand.h"

namespace parvex {

// What `parvex-cli reference` was given.
// Its arguments: the reference, then archives and folders.
struct ReferenceCommand : CommandOptions {
  bool recursive = false;
  bool ignoreUnits = false;
  QStringList include;  // globs a folder's files must match
  std::optional<QString> jobs;
  std::optional<QString> changes;  // the folder for a change set per deviating archive
  TakeChoiceOptions chosen;        // which lines those take
};

// Runs the reference comparison and writes its report; returns the exit
// status. usage tells a wrong call and returns its status.
int RunReferenceCommand(const ReferenceCommand& command, const CliStreams& streams,
                        const std::function<int(const QString&)>& usage);

}  // namespace parvex
