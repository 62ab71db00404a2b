#pragma once

#include <QString>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CliText.h"
#include "HistoryCommand.h"
#include "history/Store.h"

namespace parvex {

// One history subcommand's run: what it was given, where it tells, and the
// store, opened once the call is known to be right.
struct HistoryRun {
  const HistoryCommand& command;
  const CliStreams& streams;
  const std::function<int(const QString&)>& usage;
  const bool& shown;
  std::unique_ptr<Store> store;

  std::string Argument(qsizetype i) const { return Bytes(command.arguments.value(i)); }
  // Only adding makes a store where there is none, so that a mistyped
  // --store is told rather than answered from a new, empty store.
  Store& Opened(bool create = false);
  // A line on standard error, as people read it.
  void Tell(const std::string& line) const;
};

// Opens the store at location (or the default one); without create, a store
// file that does not exist is a failure.
std::unique_ptr<Store> OpenStore(const std::optional<QString>& location, bool create);

// The subcommands that compare: diff.
int HistoryDiff(HistoryRun& run);

// The time a machine's snapshot was taken, from its log.
UnixSeconds TakenOf(Store& store, const std::string& machine, SnapshotId id);

// The store's file, when it is one, as an input no output may replace.
std::vector<std::string> StoreFiles(const Store& store);

// A path as the command line gives it, from its bytes.
QString PathText(const std::string& bytes);

}  // namespace parvex
