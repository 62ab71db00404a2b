#include "ReferenceCommand.h"

#include <cstdio>
#include <iostream>
#include <mutex>
#include <sstream>
#include "CliText.h"

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "engine/values/Rules.h"
#include "reference/CompareWithReference.h"
#include "reference/Inputs.h"
#include "reports/layouts/HtmlReport.h"
#include "reports/layouts/JsonReport.h"
#include "reports/layouts/ReferenceCsv.h"
#include "reports/page/Report.h"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace parvex {

namespace {

bool StderrIsTerminal() {
#if defined(__unix__) || defined(__APPLE__)
  return isatty(STDERR_FILENO) != 0;
#else
  return false;
#endif
}

void Write(std::ostream& out, Layout layout, const ReferenceResult& result) {
  switch (layout) {
    case Layout::Json:
      WriteReferenceJson(out, result);
      break;
    case Layout::Html:
      WriteReferenceHtml(out, result, ReportDate());
      break;
    default:
      WriteReferenceCsv(out, result);
  }
}

// What rules removed, at the end of a count line.
void TellRemoved(std::uint64_t ignored, std::uint64_t tolerated) {
  std::fprintf(stderr, ", %llu ignored, %llu within tolerance",
               static_cast<unsigned long long>(ignored),
               static_cast<unsigned long long>(tolerated));
}

void TellNotes(const ArchiveSummary& s) {
  for (const std::string& note : s.notes) {
    std::fprintf(stderr, "Note: %s\n", ForPeople(note).c_str());
  }
}

// Files in folders that were no archives, in one line.
void TellSkipped(const std::vector<std::string>& skipped) {
  if (skipped.empty()) return;
  std::string names;
  for (const std::string& name : skipped) names += (names.empty() ? "" : ", ") + name;
  std::fprintf(stderr,
               skipped.size() == 1 ? "Skipped %zu file that is not an archive: %s\n"
                                   : "Skipped %zu files that are not archives: %s\n",
               skipped.size(), ForPeople(names).c_str());
}

// The lines of standard error: each archive's notes, messages and counts,
// then the totals.
void Tell(const ReferenceResult& result) {
  TellNotes(result.reference);
  for (const ReferenceMessage& m : result.reference.messages) {
    std::fprintf(stderr, "%s (reference): %s: %s\n", ForPeople(result.reference.name).c_str(),
                 ForPeople(m.title).c_str(), ForPeople(m.text).c_str());
  }
  std::uint64_t differ = 0;
  std::uint64_t missing = 0;
  std::uint64_t extra = 0;
  std::uint64_t ignored = 0;
  std::uint64_t tolerated = 0;
  const bool withRules = result.options.rules != nullptr;
  std::size_t deviating = 0;
  std::size_t unreadable = 0;
  for (const ArchiveSummary& s : result.archives) {
    TellNotes(s);
    for (const ReferenceMessage& m : s.messages) {
      std::fprintf(stderr, "%s: %s: %s\n", ForPeople(s.name).c_str(), ForPeople(m.title).c_str(),
                   ForPeople(m.text).c_str());
    }
    if (!s.readable) {
      ++unreadable;
      std::fprintf(stderr, "%s: cannot be read: %s\n", ForPeople(s.name).c_str(),
                   ForPeople(s.failure).c_str());
      continue;
    }
    std::fprintf(stderr, "%s: %llu differ, %llu missing, %llu extra", ForPeople(s.name).c_str(),
                 static_cast<unsigned long long>(s.differ),
                 static_cast<unsigned long long>(s.missing),
                 static_cast<unsigned long long>(s.extra));
    if (withRules) TellRemoved(s.ignored, s.tolerated);
    std::fprintf(stderr, "\n");
    differ += s.differ;
    missing += s.missing;
    extra += s.extra;
    ignored += s.ignored;
    tolerated += s.tolerated;
    deviating += s.Deviates() ? 1 : 0;
  }
  TellSkipped(result.skipped);
  std::fprintf(stderr, "Total: %zu of %zu archives deviate: %llu differ, %llu missing, %llu extra",
               deviating, result.archives.size(), static_cast<unsigned long long>(differ),
               static_cast<unsigned long long>(missing), static_cast<unsigned long long>(extra));
  if (withRules) TellRemoved(ignored, tolerated);
  if (unreadable > 0) std::fprintf(stderr, "; %zu cannot be read", unreadable);
  std::fprintf(stderr, "\n");
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
ReferenceResult CompareWatched(ReferenceRequest& request) {
  const bool terminal = StderrIsTerminal();
  if (terminal) {
    request.progress = [](std::size_t done, std::size_t total) {
      std::fprintf(stderr, "\rCompared %zu of %zu archives", done, total);
      std::fflush(stderr);
    };
  }
  ReferenceResult result = CompareWithReference(request);
  if (terminal) std::fprintf(stderr, "\r\033[K");
  return result;
}

// The report in the layout asked for, to its file or to standard output;
// false, told, when it could not be written.
bool WriteResult(const ReferenceCommand& command, const std::string& output,
                 const ReferenceResult& result) {
  Layout layout = command.json ? Layout::Json : command.html ? Layout::Html : Layout::Csv;
  try {
    if (command.output) {
      if (!command.csv && !command.json && !command.html) {
        layout = LayoutForName(output, Layout::Csv);
      }
      OutputFile file(output);
      Write(file.Stream(), layout, result);
      file.Commit();
    } else {
      Write(std::cout, layout, result);
      std::cout.flush();
      if (!std::cout) throw Failure(kErrDeviceIo, "Cannot write to standard output");
    }
  } catch (...) {
    const Failure failure = CurrentFailure();
    std::fprintf(stderr, "Error While Saving Report: Error %d: %s\n", failure.Number(),
                 ForPeople(failure.Description()).c_str());
    return false;
  }
  return true;
}

}  // namespace

int RunReferenceCommand(const ReferenceCommand& command,
                        const std::function<int(const QString&)>& usage) {
  if (command.arguments.isEmpty()) return usage(QStringLiteral("reference: no reference given"));
  if (command.arguments.size() < 2) {
    return usage(QStringLiteral("reference: no archives given to compare with the reference"));
  }
  if (int(command.csv) + int(command.json) + int(command.html) > 1) {
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
    std::fprintf(stderr, "parvex-cli: reference: %s\nTry 'parvex-cli --help'.\n",
                 ForPeople(inputs.error).c_str());
    return 2;
  }
  request.reference = Bytes(command.arguments[0]);
  const std::string output = command.output ? Bytes(*command.output) : std::string();
  std::vector<std::string> read{request.reference};
  read.insert(read.end(), inputs.paths.begin(), inputs.paths.end());
  if (command.rules) read.push_back(Bytes(*command.rules));
  if (!ReportTargetIsFree(output, read)) return 2;
  request.archives = inputs.paths;
  request.fromFolder = inputs.fromFolder;
  request.names = ColumnNames(inputs.paths);
  request.options = {command.includeReadOnly, command.numbersByValue, nullptr,
                     !command.ignoreUnits};
  if (command.rules) {
    // Read once the command line is known to be right, as for two archives.
    try {
      request.options.rules = Rules::Read(Bytes(*command.rules));
    } catch (...) {
      ReportVBError("Error While Reading Rules");
      return 2;
    }
  }

  const ReferenceResult result = CompareWatched(request);
  if (!result.reference.readable) {
    std::fprintf(stderr, "parvex-cli: the reference cannot be read: %s\n",
                 ForPeople(result.reference.failure).c_str());
    return 2;
  }

  const bool written = WriteResult(command, output, result);
  Tell(result);
  if (!written || !result.AllRead()) return 2;
  return result.AnyDeviates() ? 1 : 0;
}

}  // namespace parvex
