#include "TakeCommand.h"

#include <cstdio>
#include <ctime>
#include <memory>

#include "CliText.h"
#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "engine/taking/ChangeSet.h"
#include "engine/taking/Rewrite.h"
#include "engine/values/Rules.h"
#include "reports/layouts/ChangeSetJson.h"

namespace parvex {

namespace {

constexpr const char* kTitle = "Error While Taking Values";

// The run's standard error, for the messages of every step.
std::FILE* told = stderr;

void Tell(const std::string& line) {
  std::fprintf(told, "%s\n", ForPeople(line).c_str());
}

std::string Lines(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " line" : " lines");
}

// What the comparison options of take and changes give.
struct Prepared {
  TakeSettings settings;
  std::string target;
  std::string source;
  std::string output;
};

// Checks the call; an empty text when it is right.
QString Misuse(const TakeCommand& c) {
  if (c.arguments.size() != 2) return QStringLiteral("wrong number of arguments for ") + c.name;
  if (!c.foreign.isEmpty()) {
    return c.foreign.join(QStringLiteral(", ")) + QStringLiteral(" cannot be used with ") + c.name;
  }
  const bool apply = c.name == QStringLiteral("apply");
  const bool changes = c.name == QStringLiteral("changes");
  if (apply && (c.includeReadOnly || c.numbersByValue || c.rules || c.chosen.Any())) {
    return QStringLiteral(
        "apply takes the options stored in the change set; leave out --include-read-only, "
        "--numeric, --rules, --only, --only-description and --add-missing");
  }
  if (c.archive && !changes) return QStringLiteral("--archive is for the changes command");
  if (c.force && !apply) return QStringLiteral("--force is for the apply command");
  if (changes && c.inPlace)
    return QStringLiteral("changes never replaces the target; give -o FILE");
  if (changes && !c.output) return QStringLiteral("changes needs -o FILE");
  if (c.inPlace && c.output) return QStringLiteral("choose one of --in-place and -o");
  if (!c.inPlace && !c.output) {
    return c.name + QStringLiteral(" writes a new archive: give -o NEW, or --in-place");
  }
  return {};
}

// Reads the rules and the choice and checks the output, before any work.
bool Prepare(const TakeCommand& c, Prepared& p, const std::function<int(const QString&)>& usage,
             int& status) {
  if (const QString wrong = FillChoice(c.chosen, p.settings); !wrong.isEmpty()) {
    status = usage(wrong);
    return false;
  }
  CompareOptions& options = p.settings.options;
  options.MatchByAddress = true;
  options.CompareUnits = true;
  options.NumbersByValue = c.numbersByValue;
  options.IncludeReadOnly = c.includeReadOnly;
  try {
    if (c.rules) options.AppliedRules = Rules::Read(Bytes(*c.rules));
  } catch (...) {
    ReportVBError("Error While Reading Rules");
    return false;
  }
  p.target = Bytes(c.arguments[0]);
  p.source = Bytes(c.arguments[1]);
  p.output = c.inPlace ? p.target : Bytes(*c.output);
  std::vector<std::string> inputs{p.source};
  if (options.AppliedRules) inputs.push_back(options.AppliedRules->Path());
  try {
    CheckTakeOutput(p.output, p.target, inputs, c.inPlace);
  } catch (...) {
    ReportVBError(kTitle);
    return false;
  }
  return true;
}

void TellNotes(const TakeCounts& counts) {
  if (counts.unsplit > 0) {
    Tell("Note: " + Lines(counts.unsplit) +
         " that do not split (fewer than four fields, or no valid address) were left as "
         "they are");
  }
}

// Writes the target again with the plan; with inPlace a backup first.
void WriteArchive(const std::string& target, const std::string& output, bool inPlace,
                  const TakePlan& plan, const ReadSizes& sizes) {
  std::string backup;
  if (inPlace) backup = KeepBackup(target, std::time(nullptr));
  OutputFile file(output);
  ArchiveSink sink(file);
  RewriteTarget(target, plan, sizes, sink);
  file.Commit();
  if (inPlace) {
    Tell("Replaced '" + target + "'; the old archive was kept as '" + backup + "'");
  } else {
    Tell("Wrote '" + output + "'");
  }
}

// Writes what changes makes: a change set, or a partial archive.
void WriteChanges(const TakeCommand& c, const Prepared& p, const TakePlan& plan) {
  if (c.archive) {
    OutputFile file(p.output);
    PartialSink sink(file);
    RewriteTarget(p.target, plan, p.settings.sizes, sink);
    file.Commit();
    Tell("Wrote the partial archive '" + p.output + "'");
    return;
  }
  SaveChangeSet(p.output, MakeChangeSet(p.target, p.source, plan, p.settings));
  Tell("Wrote the change set '" + p.output + "'");
}

int TakeOrChanges(const TakeCommand& c, const std::function<int(const QString&)>& usage) {
  Prepared p;
  int status = 2;
  if (!Prepare(c, p, usage, status)) return status;
  try {
    const TakePlan plan = PlanTakingFiles(p.target, p.source, p.settings);
    TellNotes(plan.counts);
    if (plan.Empty()) {
      Tell("Nothing to take; nothing was written");
    } else if (c.name == QStringLiteral("take")) {
      WriteArchive(p.target, p.output, c.inPlace, plan, p.settings.sizes);
    } else {
      WriteChanges(c, p, plan);
    }
    Tell(TakeSummary(plan.counts));
    return 0;
  } catch (...) {
    ReportVBError(kTitle);
    return 2;
  }
}

int Apply(const TakeCommand& c) {
  const std::string target = Bytes(c.arguments[0]);
  const std::string setPath = Bytes(c.arguments[1]);
  const std::string output = c.inPlace ? target : Bytes(*c.output);
  try {
    CheckTakeOutput(output, target, {setPath}, c.inPlace);
    const ChangeSet set = ReadChangeSet(setPath);
    TakeSide side;
    side.Read(target, TakeSettings());
    std::vector<StaleLine> stale;
    const TakePlan plan = PlanChangeSet(side, set, stale);
    for (const StaleLine& line : stale) {
      Tell(line.address + ": expected " + line.expected + ", found " + line.found);
    }
    TellNotes(plan.counts);
    if (!stale.empty() && !c.force) {
      Tell(Lines(stale.size()) +
           " no longer as the change set expects; nothing was written (--force leaves them "
           "alone and changes the others)");
      return 2;
    }
    if (!stale.empty()) {
      Tell(Lines(stale.size()) + " left alone, no longer as the change set expects");
    }
    if (plan.Empty()) {
      Tell("Nothing to take; nothing was written");
    } else {
      WriteArchive(target, output, c.inPlace, plan, ReadSizes());
    }
    Tell(TakeSummary(plan.counts));
    return 0;
  } catch (...) {
    ReportVBError(kTitle);
    return 2;
  }
}

}  // namespace

QString FillChoice(const TakeChoiceOptions& chosen, TakeSettings& settings) {
  try {
    for (const QString& only : chosen.only) settings.choice.AddAddresses(Bytes(only));
    for (const QString& glob : chosen.onlyDescription) {
      settings.choice.AddDescriptions(Bytes(glob));
    }
  } catch (const Failure& f) {
    return QStringLiteral("--only: ") + QString::fromStdString(ForPeople(f.Description()));
  }
  settings.addMissing = chosen.addMissing;
  return {};
}

bool IsTakeCommand(const QString& command) {
  return command == QStringLiteral("take") || command == QStringLiteral("changes") ||
         command == QStringLiteral("apply");
}

int RunTakeCommand(const TakeCommand& command, const CliStreams& streams,
                   const std::function<int(const QString&)>& usage) {
  told = streams.err;
  if (const QString misuse = Misuse(command); !misuse.isEmpty()) return usage(misuse);
  if (command.name == QStringLiteral("apply")) return Apply(command);
  return TakeOrChanges(command, usage);
}

}  // namespace parvex
