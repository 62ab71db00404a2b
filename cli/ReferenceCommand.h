#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "CliText.h"

namespace parvex {

// What `parvex-cli reference` was given.
struct ReferenceCommand {
  QStringList arguments;  // the reference, then archives and folders
  bool includeReadOnly = false;
  bool numbersByValue = false;
  bool recursive = false;
  bool csv = false;
  bool json = false;
  bool html = false;
  bool ignoreUnits = false;
  QStringList include;  // globs a folder's files must match
  std::optional<QString> output;
  std::optional<QString> jobs;
  std::optional<QString> rules;  // the rules file, if one is given
};

// Runs the reference comparison and writes its report; returns the exit
// status. usage tells a wrong call and returns its status.
int RunReferenceCommand(const ReferenceCommand& command, const CliStreams& streams,
                        const std::function<int(const QString&)>& usage);

}  // namespace parvex
