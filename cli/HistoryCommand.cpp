// parvex-cli history: every machine's archives over time, in a store.
#include "HistoryCommand.h"

#include <ctime>
#include <filesystem>

#include "HistoryFiles.h"
#include "HistoryPrint.h"
#include "HistoryRun.h"
#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/base/NameText.h"
#include "engine/base/OutputFile.h"
#include "engine/base/Path.h"

namespace parvex {

namespace {

UnixSeconds Now() {
  return static_cast<UnixSeconds>(std::time(nullptr));
}

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

void Print(const HistoryRun& run, const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), run.streams.out) != text.size() ||
      std::fflush(run.streams.out) != 0) {
    throw Failure(kErrDeviceIo, "Cannot write to standard output");
  }
}

std::string Described(Store& store, const std::string& machine, SnapshotId id) {
  return "snapshot " + std::to_string(id) + " of " + machine + ", taken " +
         FormatHistoryTime(TakenOf(store, machine, id));
}

int Add(HistoryRun& run) {
  const HistoryCommand& c = run.command;
  std::optional<UnixSeconds> taken;
  if (c.taken && !(taken = ParseHistoryTime(Bytes(*c.taken), false))) {
    return run.usage(QStringLiteral("--taken takes a time YYYY-MM-DDTHH:MM:SS, not \"") + *c.taken +
                     QStringLiteral("\""));
  }
  // Every file is looked at before any is added, so that a wrong one adds none.
  for (qsizetype i = 1; i < c.arguments.size(); ++i) {
    if (const auto why = NoSnapshot(run.Argument(i))) {
      run.Tell("parvex-cli: history add: " + Quoted(run.Argument(i)) + " is " + *why +
               "; nothing was added");
      return 2;
    }
  }
  const std::string machine = run.Argument(0);
  const std::string note = c.note ? Bytes(*c.note) : std::string();
  Store& store = run.Opened(true);
  for (qsizetype i = 1; i < c.arguments.size(); ++i) {
    const std::string file = run.Argument(i);
    const AddOutcome outcome =
        store.Add(machine, ReadWhole(file), taken ? *taken : ModificationTime(file), note);
    run.Tell(outcome.added
                 ? "Added " + Quoted(file) + " as " + Described(store, machine, outcome.id)
                 : Quoted(file) + " is already stored as " + Described(store, machine, outcome.id) +
                       "; nothing was added");
  }
  return 0;
}

int Import(HistoryRun& run) {
  const HistoryCommand& c = run.command;
  const std::optional<std::string> machine =
      c.machine ? std::optional(Bytes(*c.machine)) : std::nullopt;
  const ImportPlan plan = PlanImport(run.Argument(0), machine);
  bool unread = false;
  for (const std::string& skipped : plan.skipped) {
    run.Tell("Skipped " + skipped);
    unread = unread || skipped.find(": cannot be read") != std::string::npos;
  }
  Store& store = run.Opened(true);
  std::size_t added = 0;
  std::size_t already = 0;
  for (const ImportFile& file : plan.files) {
    const std::string note = c.note ? Bytes(*c.note) : file.name;
    const bool fresh = store.Add(file.machine, ReadWhole(file.path), file.taken, note).added;
    (fresh ? added : already) += 1;
  }
  run.Tell("Imported " + std::to_string(added) + " snapshots, " + std::to_string(already) +
           " already stored, " + std::to_string(plan.skipped.size()) + " files skipped");
  return unread ? 2 : 0;
}

int List(HistoryRun& run) {
  Print(run, MachinesText(run.Opened().Machines(), Now()));
  return 0;
}

int Log(HistoryRun& run) {
  const std::vector<SnapshotSummary> log = run.Opened().Log(run.Argument(0));
  if (log.empty()) {
    run.Tell("parvex-cli: history: the store holds no snapshot of " + run.Argument(0));
    return 2;
  }
  Print(run, LogText(log));
  return 0;
}

int Baseline(HistoryRun& run) {
  Store& store = run.Opened();
  const std::string machine = run.Argument(0);
  const SnapshotId id = store.Resolve(machine, run.Argument(1));
  store.SetBaseline(machine, id);
  run.Tell("Marked " + Described(store, machine, id) + ", as its baseline");
  return 0;
}

int DriftOf(HistoryRun& run) {
  std::optional<std::int64_t> days;
  if (const auto& text = run.command.olderThan) {
    bool number = false;
    const uint value = text->toUInt(&number);
    if (!number || value > 100000) {
      return run.usage(QStringLiteral("--older-than takes a number of days, not \"") + *text +
                       QStringLiteral("\""));
    }
    days = value;
  }
  const DriftReport report = Drift(run.Opened().Drift(), days, Now());
  Print(run, report.lines);
  run.Tell(std::to_string(report.drifted) + " of " + std::to_string(report.machines) +
           " machines drifted from their baseline" +
           (days ? ", " + std::to_string(report.overdue) + " overdue" : std::string()));
  return report.drifted + report.overdue > 0 ? 1 : 0;
}

int Value(HistoryRun& run) {
  const std::vector<ValueStep> steps = run.Opened().ValueHistory(run.Argument(0), run.Argument(1));
  if (steps.empty()) {
    run.Tell("parvex-cli: history: no snapshot of " + run.Argument(0) + " has the address " +
             run.Argument(1));
    return 2;
  }
  Print(run, ValueText(steps));
  return 0;
}

int Get(HistoryRun& run) {
  Store& store = run.Opened();
  const std::string machine = run.Argument(0);
  const SnapshotId id = store.Resolve(machine, run.Argument(1));
  const std::string bytes = store.Bytes(id);
  if (!run.command.output) {
    Print(run, bytes);
    return 0;
  }
  const std::string output = Bytes(*run.command.output);
  CheckReportTarget(output, StoreFiles(store));
  OutputFile file(output);
  file.Write(bytes);
  file.Commit();
  run.Tell("Wrote " + Described(store, machine, id) + ", to " + Quoted(output));
  return 0;
}

int Check(HistoryRun& run) {
  const CheckOutcome outcome = run.Opened().Check();
  std::string text;
  if (!outcome.databaseSound) text += "The database is not sound: " + outcome.databaseReport + "\n";
  for (const SnapshotId id : outcome.badSnapshots) {
    text += "Snapshot " + std::to_string(id) + " no longer matches its SHA-256\n";
  }
  const bool sound = text.empty();
  text += std::to_string(outcome.snapshotsChecked) + " snapshots checked: the store is " +
          (sound ? "sound\n" : "not sound\n");
  Print(run, text);
  return sound ? 0 : 2;
}

// A subcommand: its arguments, the options it takes besides --store, and the
// title its failures are told under.
struct Subcommand {
  const char* name;
  qsizetype least;
  qsizetype most;
  QStringList options;
  const char* title;
  int (*run)(HistoryRun&);
};

const QStringList kCompareOptions{QStringLiteral("include-read-only"),
                                  QStringLiteral("numeric"),
                                  QStringLiteral("units"),
                                  QStringLiteral("rules"),
                                  QStringLiteral("csv"),
                                  QStringLiteral("json"),
                                  QStringLiteral("html"),
                                  QStringLiteral("output")};

const Subcommand kSubcommands[] = {
    {"add",
     2,
     1 << 20,
     {QStringLiteral("taken"), QStringLiteral("note")},
     "Error While Adding Snapshots",
     Add},
    {"import",
     1,
     1,
     {QStringLiteral("machine"), QStringLiteral("note")},
     "Error While Importing Snapshots",
     Import},
    {"list", 0, 0, {}, "Error While Listing Machines", List},
    {"log", 1, 1, {}, "Error While Reading the History", Log},
    {"diff", 1, 3, kCompareOptions, "Error While Comparing Snapshots", HistoryDiff},
    {"baseline", 2, 2, {}, "Error While Setting the Baseline", Baseline},
    {"drift", 0, 0, {QStringLiteral("older-than")}, "Error While Checking Drift", DriftOf},
    {"value", 2, 2, {}, "Error While Reading a Value's History", Value},
    {"get", 2, 2, {QStringLiteral("output")}, "Error While Writing the Snapshot", Get},
    {"check", 0, 0, {}, "Error While Checking the Store", Check},
};

}  // namespace

std::unique_ptr<Store> OpenStore(const std::optional<QString>& location, bool create) {
  const std::string where = location ? Bytes(*location) : Store::DefaultLocation();
  const bool server = where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0;
  std::error_code error;
  if (!create && !server && !std::filesystem::exists(FileSystemPath(where), error)) {
    throw Failure(kErrPathNotFound, "The history store '" + where +
                                        "' does not exist; add snapshots to make it, or name "
                                        "another with --store");
  }
  return Store::Open(where);
}

Store& HistoryRun::Opened(bool create) {
  if (!store) store = OpenStore(command.store, create);
  return *store;
}

void HistoryRun::Tell(const std::string& line) const {
  std::fprintf(streams.err, "%s\n", ForPeople(line).c_str());
}

UnixSeconds TakenOf(Store& store, const std::string& machine, SnapshotId id) {
  for (const SnapshotSummary& s : store.Log(machine)) {
    if (s.id == id) return s.taken;
  }
  throw Failure(kErrSubscript, "Snapshot " + std::to_string(id) + " is not one of " + machine);
}

std::vector<std::string> StoreFiles(const Store& store) {
  const std::string location = store.Location();
  if (location.rfind("postgres", 0) == 0) return {};
  return {location};
}

QString PathText(const std::string& bytes) {
  const std::u16string text = NameToText(bytes);
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

const char* HistoryHelp() {
  return "Usage: parvex-cli history SUBCOMMAND [ARGUMENTS] [--store STORE]\n"
         "\n"
         "Keeps every machine's archives over time in a store and compares them.\n"
         "\n"
         "  add MACHINE FILE...       the files as snapshots of MACHINE (made when new),\n"
         "                            taken at --taken TIME or else at each file's\n"
         "                            modification time, with --note TEXT; bytes the\n"
         "                            machine already has are not added again\n"
         "  import FOLDER             the archives in FOLDER's folders, one folder per\n"
         "                            machine and named after it (--machine NAME: the\n"
         "                            archives in FOLDER, of NAME); each taken at its\n"
         "                            modification time, noted with its file name\n"
         "  list                      one line per machine: snapshots, newest, baseline,\n"
         "                            days since the newest\n"
         "  log MACHINE               one line per snapshot, oldest first: id, taken,\n"
         "                            lines, values changed since the one before, note\n"
         "  diff MACHINE [FROM [TO]]  FROM (default previous) against TO (default\n"
         "                            latest), paired by address, with the options\n"
         "                            (--include-read-only, --numeric, --units,\n"
         "                            --rules), layouts (--csv, --json, --html,\n"
         "                            -o FILE) and exit status of archives\n"
         "  baseline MACHINE REF      marks the snapshot as the machine's known-good one\n"
         "  drift                     every machine's newest snapshot against its\n"
         "                            baseline; --older-than DAYS: also whether it is\n"
         "                            older than that\n"
         "  value MACHINE ADDRESS     the parameter's value in the first snapshot and\n"
         "                            in each where its value or units changed\n"
         "  get MACHINE REF           the snapshot's bytes, exactly, to -o FILE or to\n"
         "                            standard output\n"
         "  check                     the database's own check and every snapshot's\n"
         "                            SHA-256\n"
         "\n"
         "reference REFERENCE --history [MACHINE...] compares the newest snapshot of\n"
         "every machine (or of those named) with REFERENCE, as reference does with\n"
         "files, each column named by its machine.\n"
         "\n"
         "A REF is a snapshot id, a time meaning the newest snapshot taken then or\n"
         "before, baseline, latest or previous (the one before the latest). Times are\n"
         "local, YYYY-MM-DDTHH:MM:SS, with Z or +HH:MM after them for another zone; a\n"
         "date alone means its end as a REF and its start for --taken.\n"
         "\n"
         "The store is a SQLite file, by default history.sqlite in the user's data\n"
         "folder, or with --store another file or postgresql://USER@HOST/DATABASE (its\n"
         "password from PGPASSWORD or ~/.pgpass, never from the command line).\n"
         "\n"
         "For example, what changed on a machine since its baseline, and a nightly\n"
         "job's alarm (status 1) for machines drifted or not backed up for two days:\n"
         "  parvex-cli history diff press-07 baseline latest\n"
         "  parvex-cli history drift --older-than 2\n"
         "\n"
         "Exit status: 0 done (diff: no difference; drift: no machine drifted or\n"
         "overdue), 1 diff found differences or drift found a machine drifted or\n"
         "overdue, 2 a failure (its message goes to standard error), a store that is\n"
         "not sound or a wrong call.\n";
}

int RunHistoryCommand(const HistoryCommand& command, const CliStreams& streams,
                      const std::function<int(const QString&)>& usage, const bool& shown) {
  const Subcommand* sub = nullptr;
  for (const Subcommand& s : kSubcommands) {
    if (command.name == QLatin1String(s.name)) sub = &s;
  }
  if (sub == nullptr) {
    return usage(command.name.isEmpty()
                     ? QStringLiteral("history: no subcommand given")
                     : QStringLiteral("history: unknown subcommand: ") + command.name);
  }
  const qsizetype count = command.arguments.size();
  if (count < sub->least || count > sub->most) {
    return usage(QStringLiteral("wrong number of arguments for history ") + command.name);
  }
  for (const QString& option : command.given) {
    if (option == QStringLiteral("by-address") && command.name == QStringLiteral("diff")) {
      return usage(
          QStringLiteral("history diff always pairs lines by address; leave out "
                         "--by-address"));
    }
    if (option != QStringLiteral("store") && !sub->options.contains(option)) {
      return usage(QStringLiteral("--") + option + QStringLiteral(" cannot be used with history ") +
                   command.name);
    }
  }
  HistoryRun run{command, streams, usage, shown, nullptr};
  try {
    return sub->run(run);
  } catch (...) {
    ReportVBError(sub->title);
    return 2;
  }
}

}  // namespace parvex
