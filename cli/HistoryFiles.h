#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/Store.h"

namespace parvex {

// A folder of this run's own, readable by this user alone, for snapshots
// written out to be compared as files; removed with everything in it.
class PrivateFolder {
 public:
  PrivateFolder();
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // Writes bytes to the file name in the folder; returns its path.
  std::string Write(const std::string& name, std::string_view bytes) const;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The name a snapshot's file gets: its machine and the time it was taken.
std::string SnapshotFileName(const std::string& machine, UnixSeconds taken);

// A file's bytes, exactly; a Failure naming it when it cannot be read.
std::string ReadWhole(const std::string& path);
// A file's modification time.
UnixSeconds ModificationTime(const std::string& path);

// Why a file cannot be a snapshot ("not an archive", "a folder"), or none.
std::optional<std::string> NoSnapshot(const std::string& path);

// What import takes: each machine's files, oldest first, and what it leaves.
struct ImportFile {
  std::string machine;
  std::string path;
  std::string name;  // the file's name
  UnixSeconds taken = 0;
};
struct ImportPlan {
  std::vector<ImportFile> files;
  std::vector<std::string> skipped;  // "PATH: why", one each
};

// The files of a folder of machines' folders (each named after its machine),
// or with machine of the folder itself. A folder that cannot be listed is a
// Failure.
ImportPlan PlanImport(const std::string& folder, const std::optional<std::string>& machine);

}  // namespace parvex
