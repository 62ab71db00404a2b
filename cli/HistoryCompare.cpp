// The history's comparisons: two snapshots of a machine as a pair, and the
// newest snapshot of each machine against a reference, written out to files
// and compared by the very commands that compare files, so that options,
// layouts and exit statuses are theirs.
#include <set>

#include "HistoryFiles.h"
#include "HistoryRun.h"
#include "PairCommand.h"
#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"

namespace parvex {

namespace {

// The snapshot's file name in the folder, told apart from the other's when
// both were taken at one time.
std::string NameOf(Store& store, const std::string& machine, SnapshotId id, SnapshotId other) {
  const UnixSeconds taken = TakenOf(store, machine, id);
  std::string name = SnapshotFileName(machine, taken);
  if (id != other && taken == TakenOf(store, machine, other)) {
    name += " (" + std::to_string(id) + ")";
  }
  return name;
}

}  // namespace

int HistoryDiff(HistoryRun& run) {
  const HistoryCommand& c = run.command;
  if (c.LayoutsClash()) return run.usage(QStringLiteral("choose one of --csv, --json and --html"));
  const std::string machine = run.Argument(0);
  const std::string from = c.arguments.size() > 1 ? run.Argument(1) : "previous";
  const std::string to = c.arguments.size() > 2 ? run.Argument(2) : "latest";
  Store& store = run.Opened();
  if (c.output && !ReportTargetIsFree(Bytes(*c.output), StoreFiles(store))) return 2;
  const SnapshotId first = store.Resolve(machine, from);
  const SnapshotId second = store.Resolve(machine, to);
  const PrivateFolder folder;
  const std::string name1 = NameOf(store, machine, first, second);
  const std::string name2 = NameOf(store, machine, second, first);
  const std::string path1 = folder.Write(name1, store.Bytes(first));
  const std::string path2 = second == first ? path1 : folder.Write(name2, store.Bytes(second));

  PairCommand pair;
  static_cast<CommandOptions&>(pair) = c;
  pair.arguments = {PathText(path1), PathText(path2)};
  pair.shownAs = {name1, name2};
  pair.byAddress = true;
  pair.units = c.units;
  return RunPairCommand(pair, run.streams, run.shown);
}

int RunReferenceHistory(const ReferenceCommand& command, const std::optional<QString>& store,
                        const CliStreams& streams,
                        const std::function<int(const QString&)>& usage) {
  if (command.arguments.isEmpty()) return usage(QStringLiteral("reference: no reference given"));
  try {
    const std::unique_ptr<Store> opened = OpenStore(store, false);
    if (command.output && !ReportTargetIsFree(Bytes(*command.output), StoreFiles(*opened))) {
      return 2;
    }
    // The machines named (all when none is); those not found are told.
    std::set<std::string> named;
    for (qsizetype i = 1; i < command.arguments.size(); ++i) {
      named.insert(Bytes(command.arguments[i]));
    }
    std::set<std::string> unseen = named;
    const PrivateFolder folder;
    ReferenceCommand files = command;
    files.arguments = {command.arguments[0]};
    for (const MachineSummary& m : opened->Machines()) {
      if (!m.newest || (!named.empty() && unseen.erase(m.name) == 0)) continue;
      files.arguments += PathText(folder.Write(m.name, opened->Bytes(*m.newest)));
    }
    if (!unseen.empty()) {
      throw Failure(kErrSubscript, "The store holds no snapshot of " + *unseen.begin());
    }
    if (files.arguments.size() == 1) throw Failure(kErrSubscript, "The store holds no snapshots");
    return RunReferenceCommand(files, streams, usage);
  } catch (...) {
    ReportVBError("Error While Reading the History");
    return 2;
  }
}

}  // namespace parvex
