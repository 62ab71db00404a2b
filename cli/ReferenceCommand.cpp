#include "ReferenceCommand.h"

#include <cstdio>
#include <mutex>
#include "CliText.h"
#include "ReferenceChanges.h"

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "engine/values/Rules.h"
#include "reference/CompareWithReference.h"
#include "reference/Inputs.h"
#include "reports/layouts/SaveReport.h"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace parvex {

namespace {

bool IsTerminal(std::FILE* err) {
#if defined(__unix__) || defined(__APPLE__)
  return isatty(fileno(err)) != 0;
#else
  (void)err;
  return false;
#endif
}

// What rules removed, at the end of a count line.
void TellRemoved(std::FILE* err, std::uint64_t ignored, std::uint64_t tolerated) {
  std::fprintf(err, ", %llu ignored, %llu within tolerance",
               static_cast<unsigned long long>(ignored),
               static_cast<unsigned long long>(tolerated));
}

void TellNotes(std::FILE* err, const ArchiveSummary& s) {
  for (const std::string& note : s.notes) {
    std::fprintf(err, "Note: %s\n", ForPeople(note).c_str());
  }
}

// Files in folders that were no archives, in one line.
void TellSkipped(std::FILE* err, const std::vector<std::string>& skipped) {
  if (skipped.empty()) return;
  std::string names;
  for (const std::string& name : skipped) names += (names.empty() ? "" : ", ") + name;
  std::fprintf(err,
               skipped.size() == 1 ? "Skipped %zu file that is not an archive: %s\n"
                                   : "Skipped %zu files that are not archives: %s\n",
               skipped.size(), ForPeople(names).c_str());
}

// The lines of standard error: each archive's notes, messages and counts,
// then the totals.
void Tell(std::FILE* err, const ReferenceResult& result) {
  TellNotes(err, result.reference);
  for (const ReferenceMessage& m : result.reference.messages) {
    std::fprintf(err, "%s (reference): %s: %s\n", ForPeople(result.reference.name).c_str(),
                 ForPeople(m.title).c_str(), ForPeople(m.text).c_str());
  }
  std::uint64_t differ = 0;
  std::uint64_t missing = 0;
  std::uint64_t extra = 0;
  std::uint64_t ignored = 0;
  std::uint64_t tolerated = 0;
  const bool withRules = result.options.AppliedRules != nullptr;
  std::size_t deviating = 0;
  std::size_t unreadable = 0;
  for (const ArchiveSummary& s : result.archives) {
    TellNotes(err, s);
    for (const ReferenceMessage& m : s.messages) {
      std::fprintf(err, "%s: %s: %s\n", ForPeople(s.name).c_str(), ForPeople(m.title).c_str(),
                   ForPeople(m.text).c_str());
    }
    if (!s.readable) {
      ++unreadable;
      std::fprintf(err, "%s: cannot be read: %s\n", ForPeople(s.name).c_str(),
                   ForPeople(s.failure).c_str());
      continue;
    }
    std::fprintf(err, "%s: %llu differ, %llu missing, %llu extra", ForPeople(s.name).c_str(),
                 static_cast<unsigned long long>(s.differ),
                 static_cast<unsigned long long>(s.missing),
                 static_cast<unsigned long long>(s.extra));
    if (withRules) TellRemoved(err, s.ignored, s.tolerated);
    std::fprintf(err, "\n");
    differ += s.differ;
    missing += s.missing;
    extra += s.extra;
    ignored += s.ignored;
    tolerated += s.tolerated;
    deviating += s.Deviates() ? 1 : 0;
  }
  TellSkipped(err, result.skipped);
  std::fprintf(err, "Total: %zu of %zu archives deviate: %llu differ, %llu missing, %llu extra",
               deviating, result.archives.size(), static_cast<unsigned long long>(differ),
               static_cast<unsigned long long>(missing), static_cast<unsigned long long>(extra));
  if (withRules) TellRemoved(err, ignored, tolerated);
  if (unreadable > 0) std::fprintf(err, "; %zu cannot be read", unreadable);
  std::fprintf(err, "\n");
}

// The archives and folders given, a folder standing for its files.
ExpandedInputs ExpandArchives(const ReferenceCommand& command) {
  std::vector<std::string> given;
  for (qsizetype i = 1; i < command.arguments.size(); ++i) {
    given.push_back(Bytes(command.arguments[i]));
  }
  std::vector<std::string> include;
  for (const QString& glob : command.include) include.push_back(Bytes(glob));
  return ExpandInputs(given, command.recursive, include);
}

// Compares, with progress in place for a person watching.
ReferenceResult CompareWatched(ReferenceRequest& request, std::FILE* err) {
  const bool terminal = IsTerminal(err);
  if (terminal) {
    request.progress = [err](std::size_t done, std::size_t total) {
      std::fprintf(err, "\rCompared %zu of %zu archives", done, total);
      std::fflush(err);
    };
  }
  ReferenceResult result = CompareWithReference(request);
  if (terminal) std::fprintf(err, "\r\033[K");
  return result;
}

// The report in the layout asked for, to its file or to standard output;
// false, told, when it could not be written.
bool WriteResult(const ReferenceCommand& command, const std::string& output,
                 const ReferenceResult& result, const CliStreams& streams) {
  const Layout layout = ChooseLayout(output, command.AskedLayout(), Layout::Csv);
  try {
    if (command.output) {
      SaveReport(output, layout, result);
    } else {
      CFileStream stream(streams.out);
      WriteReferenceReport(stream, layout, result);
      if (!stream.flush()) throw Failure(kErrDeviceIo, "Cannot write to standard output");
    }
  } catch (...) {
    const Failure failure = CurrentFailure();
    std::fprintf(streams.err, "Error While Saving Report: Error %d: %s\n", failure.Number(),
                 ForPeople(failure.Description()).c_str());
    return false;
  }
  return true;
}

// The comparison's options, the rules read once the command line is known to
// be right, as for two archives; false, told, when they cannot be read.
bool ReadOptions(const ReferenceCommand& command, CompareOptions& options) {
  options.IncludeReadOnly = command.includeReadOnly;
  options.NumbersByValue = command.numbersByValue;
  options.CompareUnits = !command.ignoreUnits;
  if (!command.rules) return true;
  try {
    options.AppliedRules = Rules::Read(Bytes(*command.rules));
  } catch (...) {
    ReportVBError("Error While Reading Rules");
    return false;
  }
  return true;
}

}  // namespace

int RunReferenceCommand(const ReferenceCommand& command, const CliStreams& streams,
                        const std::function<int(const QString&)>& usage) {
  std::FILE* const err = streams.err;
  if (command.arguments.isEmpty()) return usage(QStringLiteral("reference: no reference given"));
  if (command.arguments.size() < 2) {
    return usage(QStringLiteral("reference: no archives given to compare with the reference"));
  }
  if (command.LayoutsClash()) {
    return usage(QStringLiteral("choose one of --csv, --json and --html"));
  }
  ReferenceRequest request;
  if (command.jobs) {
    bool number = false;
    const uint jobs = command.jobs->toUInt(&number);
    if (!number || jobs == 0 || jobs > 1024) {
      return usage(QStringLiteral("--jobs takes a number from 1 to 1024, not \"") + *command.jobs +
                   QStringLiteral("\""));
    }
    request.jobs = jobs;
  }
  const ExpandedInputs inputs = ExpandArchives(command);
  if (!inputs.error.empty()) {
    std::fprintf(err, "parvex-cli: reference: %s\nTry 'parvex-cli --help'.\n",
                 ForPeople(inputs.error).c_str());
    return 2;
  }
  request.reference = Bytes(command.arguments[0]);
  const std::string output = command.output ? Bytes(*command.output) : std::string();
  std::vector<std::string> read{request.reference};
  read.insert(read.end(), inputs.paths.begin(), inputs.paths.end());
  if (command.rules) read.push_back(Bytes(*command.rules));
  if (!ReportTargetIsFree(output, read)) return 2;
  if (!output.empty()) read.push_back(output);  // no change set goes over the report
  request.archives = inputs.paths;
  request.fromFolder = inputs.fromFolder;
  request.names = ColumnNames(inputs.paths);
  if (!ReadOptions(command, request.options)) return 2;

  ReferenceChanges changes;
  int status = 2;
  if (command.changes &&
      !changes.Prepare(command, request.archives, read, request.options, usage, status)) {
    return status;
  }

  const ReferenceResult result = CompareWatched(request, err);
  if (!result.reference.readable) {
    std::fprintf(err, "parvex-cli: the reference cannot be read: %s\n",
                 ForPeople(result.reference.failure).c_str());
    return 2;
  }

  const bool written = WriteResult(command, output, result, streams);
  Tell(err, result);
  const bool changesWritten = !command.changes || changes.Write(result, err);
  if (!written || !changesWritten || !result.AllRead()) return 2;
  return result.AnyDeviates() ? 1 : 0;
}

}  // namespace parvex
