#include "ReferenceChanges.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "CliText.h"
#include "ReferenceCommand.h"
#include "TakeCommand.h"
#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/base/Path.h"
#include "engine/taking/ChangeSet.h"
#include "engine/taking/Rewrite.h"
#include "reference/Inputs.h"
#include "reference/ReferenceResult.h"
#include "reports/layouts/ChangeSetJson.h"

namespace parvex {

namespace {

constexpr const char* kTitle = "Error While Saving Change Set";

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\' || c == ':';
#else
  return c == '/';
#endif
}

// Two names of one file where the file system does not tell case apart.
std::string Spelling(std::string name) {
#ifdef _WIN32
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
#endif
  return name;
}

void TellFailure(std::FILE* err, const std::string& name) {
  const Failure failure = CurrentFailure();
  std::fprintf(err, "%s: %s: Error %d: %s\n", ForPeople(name).c_str(), kTitle, failure.Number(),
               ForPeople(failure.Description()).c_str());
}

// Makes the folder when it is not there (its parent must be); false, told,
// when it cannot.
bool MakeFolder(const std::string& folder) {
  std::error_code error;
  const std::filesystem::path path = FileSystemPath(folder);
  if (std::filesystem::is_directory(path, error)) return true;
  std::filesystem::create_directory(path, error);
  if (!error) return true;
  try {
    throw FileFailure(error.default_error_condition().value(), folder);
  } catch (...) {
    ReportVBError(kTitle);
  }
  return false;
}

}  // namespace

std::vector<std::string> ChangeSetNames(const std::vector<std::string>& archives,
                                        std::string& error) {
  // File names, or every path where two share one: as the matrix's columns.
  std::vector<std::string> names = ColumnNames(archives);
  std::map<std::string, std::size_t> seen;
  for (std::size_t i = 0; i < names.size(); ++i) {
    for (char& c : names[i]) {
      if (IsSeparator(c)) c = '_';
    }
    names[i] += ".json";
    const auto [at, fresh] = seen.emplace(Spelling(names[i]), i);
    if (!fresh) {
      error = "'" + archives[at->second] + "' and '" + archives[i] +
              "' would both give the change set '" + names[i] + "'";
      return {};
    }
  }
  return names;
}

bool ReferenceChanges::Prepare(const ReferenceCommand& command,
                               const std::vector<std::string>& archives,
                               const std::vector<std::string>& inputs,
                               const CompareOptions& options,
                               const std::function<int(const QString&)>& usage, int& status) {
  status = 2;
  if (command.ignoreUnits) {
    status =
        usage(QStringLiteral("--changes takes units with their values; leave out "
                             "--ignore-units"));
    return false;
  }
  if (const QString wrong = FillChoice(command.chosen, settings_); !wrong.isEmpty()) {
    status = usage(wrong);
    return false;
  }
  settings_.options = options;
  folder_ = Bytes(*command.changes);
  std::string error;
  const std::vector<std::string> names = ChangeSetNames(archives, error);
  if (!error.empty()) {
    status = usage(QStringLiteral("--changes: ") + QString::fromStdString(ForPeople(error)));
    return false;
  }
  if (!MakeFolder(folder_)) return false;
  const bool ends = !folder_.empty() && IsSeparator(folder_.back());
  files_.clear();
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string& file = files_[archives[i]] = folder_ + (ends ? "" : "/") + names[i];
    try {
      CheckTakeOutput(file, archives[i], inputs, false);
    } catch (...) {
      ReportVBError(kTitle);
      return false;
    }
  }
  return true;
}

bool ReferenceChanges::Write(const ReferenceResult& result, std::FILE* err) const {
  const std::string& referencePath = result.reference.path;
  bool ok = true;
  for (const ArchiveSummary& s : result.archives) {
    if (!s.readable || !s.Deviates()) continue;
    const std::string& file = files_.at(s.path);
    try {
      const TakePlan plan = PlanTakingFiles(s.path, referencePath, settings_);
      const std::string summary = TakeSummary(plan.counts);
      if (plan.Empty()) {
        std::fprintf(err, "%s: nothing to take, no change set: %s\n", ForPeople(s.name).c_str(),
                     summary.c_str());
        continue;
      }
      SaveChangeSet(file, MakeChangeSet(s.path, referencePath, plan, settings_));
      std::fprintf(err, "%s: wrote the change set '%s': %s\n", ForPeople(s.name).c_str(),
                   ForPeople(file).c_str(), summary.c_str());
    } catch (...) {
      TellFailure(err, s.name);
      ok = false;
    }
  }
  return ok;
}

}  // namespace parvex
