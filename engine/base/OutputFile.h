#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace parvex {

// The ending of the temporary files the writer makes beside a target (their
// names also start with a dot). A folder walk never takes such a file.
inline constexpr std::string_view kTemporarySuffix = ".parvex-part";
bool IsWriterTemporary(std::string_view fileName);

// True when both names lead to one existing file (the same device and inode,
// so hard links and other spellings count).
bool SameFile(const std::string& a, const std::string& b);

// The first of inputs that target would overwrite, if any.
std::optional<std::string> InputAt(const std::string& target,
                                   const std::vector<std::string>& inputs);

// Throws the failure that refuses to write target over input, naming both.
[[noreturn]] void RefuseInputAsTarget(const std::string& target, const std::string& input);

// Tells before any work is done what writing a report to target would meet:
// throws the failure when it is one of inputs, a folder, or in a folder that
// does not exist or where no file can be made.
void CheckReportTarget(const std::string& target, const std::vector<std::string>& inputs);

// Every file the program writes goes through this. What happens depends on
// what the target is:
// - a regular file or nothing: the bytes go to a temporary file in the same
//   folder, which is flushed to disk, given the old file's mode (and owner,
//   where allowed) and renamed over the target only by Commit; a failure or a
//   run that ends without Commit leaves the old file as it was;
// - a symbolic link: the same at the link's final target; the link stays;
// - a device, a pipe or a terminal: written directly, every error reported;
// - a folder: refused.
// SIGINT and SIGTERM while a temporary file exists remove it before the
// program ends. Failures are Failures that name the target.
class OutputFile {
 public:
  explicit OutputFile(const std::string& target);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::ostream& Stream();
  // Writes bytes; throws at the first failure.
  void Write(std::string_view bytes);
  // Finishes the file: flushes, syncs and puts it in place, or for a device
  // closes it. Throws when any of it fails; the old file then stays.
  void Commit();

  const std::string& Target() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace parvex
