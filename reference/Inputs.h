#pragma once

#include <string>
#include <vector>

#include "engine/base/Path.h"

namespace parvex {

// The archives named on a command line or picked in a window: a file stands
// for itself, a folder for the regular files directly in it in name order
// (byte order), or with recursive for those of its subfolders too, each
// subfolder's in its name's place. A folder's walk takes a file once
// whatever names lead to it (a file named twice on the command line is still
// taken twice), never the report writer's temporary files (ending
// ".parvex-part"), and follows a link to a folder only where it leads clear
// of the folders walked. Anything else is kept as given, to be told as
// unreadable when it is compared.
struct ExpandedInputs {
  std::vector<std::string> paths;
  // A folder that cannot be listed or holds no files: nothing else is expanded.
  std::string error;
  // For each path, whether a folder's walk found it (a file there that is
  // no archive is passed over, where one named is told).
  std::vector<bool> fromFolder;
};
// With include globs ("*.arc"), a folder's walk takes only the files whose
// names one of them matches (ASCII letters in either case).
ExpandedInputs ExpandInputs(const std::vector<std::string>& given, bool recursive,
                            const std::vector<std::string>& include = {});

// The column headers: the archives' file names or, when any two share a
// name, every path as given.
std::vector<std::string> ColumnNames(const std::vector<std::string>& paths);

}  // namespace parvex
