#pragma once

// The operating system's side of the output writer, one implementation per
// platform. Functions return 0 or the errno value of what failed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace parvex {

struct FileId {
  std::uint64_t device = 0;
  std::uint64_t index = 0;
  bool operator==(const FileId&) const = default;
};
// The identity of the file a path leads to, links followed; none when there is
// no such file.
std::optional<FileId> IdOf(const std::string& path);

enum class TargetKind { Missing, Regular, Folder, Other };
struct ResolvedTarget {
  std::string path;    // the final target, every link followed
  std::string folder;  // its folder, ending in a separator, or empty
  std::string name;    // its file name
  TargetKind kind = TargetKind::Missing;
  int error = 0;
  // Standard output and the like: a descriptor already open, written through.
  int descriptor = -1;
};
ResolvedTarget ResolveTarget(const std::string& target);

// One open file to write to.
class OutputHandle {
 public:
  OutputHandle() = default;
  ~OutputHandle();
  OutputHandle(const OutputHandle&) = delete;
  OutputHandle& operator=(const OutputHandle&) = delete;

  // An existing file that is not replaced (a device, a pipe).
  int OpenExisting(const std::string& path);
  // A descriptor the program has open, such as standard output.
  int OpenDescriptor(int descriptor);
  // A new temporary file, given the mode and owner of modeOf when there is
  // one; removed again by the signal handler until it is forgotten.
  int CreateNew(const std::string& path, const std::string* modeOf);
  int WriteAll(const char* data, std::size_t size);
  int SyncAndClose();
  int Close();

 private:
  std::intptr_t file_ = -1;
};

int MoveOver(const std::string& from, const std::string& to);
// 0 when the file may be written by this program; the errno value otherwise.
int Writable(const std::string& path);
// 0 when folder (empty: the current one) exists and new files can be made
// in it; the errno value otherwise.
int FolderTakesFiles(const std::string& folder);
// Deletes a temporary file and forgets it.
void RemoveTemporary(const std::string& path);
// A temporary file that has become the target: no longer to be removed.
void ForgetTemporary(const std::string& path);
// Makes a rename in folder last; a file system that cannot is left as it is.
void SyncFolder(const std::string& folder);

}  // namespace parvex
