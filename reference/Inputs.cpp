#include "reference/Inputs.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

#include "engine/base/OutputFile.h"
#include "engine/values/Rules.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace parvex {

namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& bytes) {
  return FileSystemPath(bytes);
}

#if defined(_WIN32)
// This library gives no file numbers on Windows: the fully resolved path
// stands for the file there.
using FileId = fs::path::string_type;
std::optional<FileId> IdOf(const fs::path& path) {
  std::error_code error;
  const fs::path real = fs::canonical(path, error);
  if (error) return std::nullopt;
  return real.native();
}
#else
// A file by its device and inode, whatever name reaches it.
using FileId = std::pair<dev_t, ino_t>;
std::optional<FileId> IdOf(const fs::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return FileId{status.st_dev, status.st_ino};
}
#endif

// Whether inner is outer or lies within it (both fully resolved).
bool Within(const fs::path& inner, const fs::path& outer) {
  return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first == outer.end();
}

// What the walks of one call share: the folders given (fully resolved) and
// the files taken so far, each once whatever names reach it.
struct Shared {
  std::vector<fs::path> given;
  std::set<FileId> files;
  std::vector<std::string> include;
};

// The walk of one given folder, without recursion so that depth has no
// limit. A link to a folder is followed only where it leads clear of the
// walked folders (neither within one nor holding one), so no link can lead
// the walk in a circle; and every folder is listed once by its device and
// inode, which also ends a circle that a mount makes.
class FolderWalk {
 public:
  FolderWalk(bool recursive, Shared& shared, std::vector<std::string>& paths)
      : recursive_(recursive), shared_(shared), paths_(paths) {}

  // False when a folder cannot be listed, with error naming it.
  bool Run(const std::string& folder) {
    if (!Enter(folder)) return false;
    while (!stack_.empty()) {
      Frame& top = stack_.back();
      if (top.next == top.names.size()) {
        stack_.pop_back();
        continue;
      }
      const std::string name = top.names[top.next++];
      if (!Visit(top.prefix + name, name)) return false;
    }
    return true;
  }

  std::size_t found = 0;  // archive files met, taken now or before
  std::string error;

 private:
  struct Frame {
    std::string prefix;
    std::vector<std::string> names;
    std::size_t next = 0;
  };

  // Lists a folder not listed before, its names in byte order.
  bool Enter(const std::string& folder) {
    const fs::path path = PathOf(folder);
    const std::optional<FileId> id = IdOf(path);
    if (id && !folders_.insert(*id).second) return true;
    Frame frame;
    frame.prefix = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    std::error_code listing;
    for (fs::directory_iterator it(path, listing), end; !listing && it != end;
         it.increment(listing)) {
      frame.names.push_back(BytesOfPath(it->path().filename()));
    }
    if (listing) {
      error = "cannot list the folder '" + folder + "'";
      return false;
    }
    std::sort(frame.names.begin(), frame.names.end());
    stack_.push_back(std::move(frame));
    return true;
  }

  bool Visit(const std::string& path, const std::string& name) {
    const fs::path p = PathOf(path);
    std::error_code failed;
    const fs::file_status target = fs::status(p, failed);
    if (failed) {
      // A link to nothing (or to itself) names no file; anything else that
      // cannot be looked at is kept, to be told unreadable.
      if (failed == std::errc::no_such_file_or_directory || failed == std::errc::not_a_directory ||
          failed == std::errc::too_many_symbolic_link_levels) {
        return true;
      }
      ++found;
      paths_.push_back(path);
      return true;
    }
    if (fs::is_regular_file(target)) {
      if (IsWriterTemporary(name) || !Included(name)) return true;
      ++found;
      const std::optional<FileId> id = IdOf(p);
      if (!id || shared_.files.insert(*id).second) paths_.push_back(path);
      return true;
    }
    if (!recursive_ || !fs::is_directory(target)) return true;
    if (fs::is_symlink(fs::symlink_status(p, failed))) {
      const fs::path real = fs::canonical(p, failed);
      if (failed) {
        error = "cannot list the folder '" + path + "'";
        return false;
      }
      const auto overlaps = [&real](const fs::path& walked) {
        return Within(real, walked) || Within(walked, real);
      };
      if (std::any_of(shared_.given.begin(), shared_.given.end(), overlaps) ||
          std::any_of(followed_.begin(), followed_.end(), overlaps)) {
        return true;
      }
      followed_.push_back(real);
    }
    return Enter(path);
  }

  // Whether the name is one the walk takes: any, or one that an include glob
  // matches.
  bool Included(const std::string& name) const {
    return shared_.include.empty() ||
           std::any_of(shared_.include.begin(), shared_.include.end(),
                       [&](const std::string& glob) { return GlobMatches(glob, name); });
  }

  bool recursive_;
  Shared& shared_;
  std::vector<std::string>& paths_;
  std::vector<Frame> stack_;
  std::set<FileId> folders_;
  std::vector<fs::path> followed_;  // where links led, fully resolved
};

}  // namespace

ExpandedInputs ExpandInputs(const std::vector<std::string>& given, bool recursive,
                            const std::vector<std::string>& include) {
  ExpandedInputs out;
  Shared shared;
  shared.include = include;
  std::vector<bool> folder;
  for (const std::string& path : given) {
    std::error_code error;
    folder.push_back(fs::is_directory(PathOf(path), error));
    if (!folder.back()) continue;
    const fs::path real = fs::canonical(PathOf(path), error);
    if (!error) shared.given.push_back(real);
  }
  for (std::size_t k = 0; k < given.size(); ++k) {
    if (!folder[k]) {
      out.paths.push_back(given[k]);
      out.fromFolder.push_back(false);
      continue;
    }
    FolderWalk walk(recursive, shared, out.paths);
    const bool listed = walk.Run(given[k]);
    out.fromFolder.resize(out.paths.size(), true);
    if (!listed) {
      out.error = walk.error;
      return out;
    }
    if (walk.found == 0) {
      out.error = "the folder '" + given[k] + "' holds no archive files";
      return out;
    }
  }
  return out;
}

std::vector<std::string> ColumnNames(const std::vector<std::string>& paths) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  bool shared = false;
  for (const std::string& path : paths) {
    names.push_back(FileNameOf(path));
    shared = shared || !seen.insert(names.back()).second;
  }
  return shared ? paths : names;
}

}  // namespace parvex
