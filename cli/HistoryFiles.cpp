#include "HistoryFiles.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "engine/base/Path.h"
#include "reference/ArchiveReading.h"

#if !defined(_WIN32)
#include <cstdlib>
#endif

namespace parvex {

namespace {

namespace fs = std::filesystem;

// A folder's entries by name, in byte order; a Failure when it cannot be listed.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code failed;
  for (fs::directory_iterator it(FileSystemPath(folder), failed), end; !failed && it != end;
       it.increment(failed)) {
    names.push_back(BytesOfPath(it->path().filename()));
  }
  if (failed) throw Failure(kErrPathNotFound, "Cannot list the folder '" + folder + "'");
  std::sort(names.begin(), names.end());
  return names;
}

std::string Joined(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + '/' + name;
}

// Files of one machine's folder, oldest first (then by name), and what is no
// snapshot among them.
void PlanMachine(const std::string& folder, const std::string& machine, ImportPlan& plan) {
  std::vector<ImportFile> files;
  for (const std::string& name : Names(folder)) {
    if (IsWriterTemporary(name)) continue;
    const std::string path = Joined(folder, name);
    if (const auto why = NoSnapshot(path)) {
      plan.skipped.push_back(path + ": " + *why);
      continue;
    }
    files.push_back({machine, path, name, ModificationTime(path)});
  }
  std::stable_sort(files.begin(), files.end(),
                   [](const ImportFile& a, const ImportFile& b) { return a.taken < b.taken; });
  plan.files.insert(plan.files.end(), files.begin(), files.end());
}

}  // namespace

PrivateFolder::PrivateFolder() {
  const fs::path base = fs::temp_directory_path();
#if defined(_WIN32)
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const fs::path candidate = base / ("parvex-history-" + std::to_string(random()));
    std::error_code failed;
    if (fs::create_directory(candidate, failed)) path_ = candidate;
  }
#else
  std::string name = (base / "parvex-history-XXXXXX").native();
  if (mkdtemp(name.data()) != nullptr) path_ = name;
#endif
  if (path_.empty()) {
    throw Failure(kErrPathNotFound,
                  "Cannot make a temporary folder in '" + BytesOfPath(base) + "'");
  }
}

PrivateFolder::~PrivateFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string PrivateFolder::Write(const std::string& name, std::string_view bytes) const {
  const std::string path = BytesOfPath(path_ / FileSystemPath(name));
  OutputFile file(path);
  file.Write(bytes);
  file.Commit();
  return path;
}

std::string SnapshotFileName(const std::string& machine, UnixSeconds taken) {
  std::string time = FormatHistoryTime(taken);
#if defined(_WIN32)
  // Windows takes no colon in a file name.
  std::replace(time.begin(), time.end(), ':', '-');
#endif
  return machine + ' ' + time;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(FileSystemPath(path), std::ios::binary);
  if (!in.is_open()) throw Failure(kErrPathNotFound, "Cannot open '" + path + "'");
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  if (in.bad()) throw Failure(kErrFileAccess, "Cannot read '" + path + "'");
  return bytes;
}

UnixSeconds ModificationTime(const std::string& path) {
  std::error_code failed;
  const fs::file_time_type time = fs::last_write_time(FileSystemPath(path), failed);
  if (failed) throw Failure(kErrFileAccess, "Cannot read the time of '" + path + "'");
  const auto system = std::chrono::file_clock::to_sys(time);
  return std::chrono::floor<std::chrono::seconds>(system).time_since_epoch().count();
}

std::optional<std::string> NoSnapshot(const std::string& path) {
  std::error_code failed;
  const fs::file_status status = fs::status(FileSystemPath(path), failed);
  if (failed) return "cannot be read";
  if (fs::is_directory(status)) return "a folder";
  if (!fs::is_regular_file(status)) return "not a regular file";
  AddressTable table;
  ArchiveSummary summary;
  if (ReadArchive(path, ReadSizes{}, table, summary)) return std::nullopt;
  if (summary.notArchive) return "not an archive";
  return "cannot be read: " + summary.failure;
}

ImportPlan PlanImport(const std::string& folder, const std::optional<std::string>& machine) {
  ImportPlan plan;
  if (machine) {
    PlanMachine(folder, *machine, plan);
    return plan;
  }
  for (const std::string& name : Names(folder)) {
    const std::string path = Joined(folder, name);
    std::error_code failed;
    if (fs::is_directory(FileSystemPath(path), failed)) {
      PlanMachine(path, name, plan);
    } else if (!IsWriterTemporary(name)) {
      plan.skipped.push_back(path + ": not in a machine's folder");
    }
  }
  return plan;
}

}  // namespace parvex
