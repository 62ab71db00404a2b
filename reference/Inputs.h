#pragma once

#include <string>
#include <vector>

namespace parvex {

// The archives named on a command line or picked in a window: a file stands
// for itself, a folder for the regular files directly in it in name order
// (byte order), or with recursive for those of its subfolders too, each
// subfolder's in its name's place. Anything else is kept as given, to be
// told as unreadable when it is compared.
struct ExpandedInputs {
  std::vector<std::string> paths;
  std::string error;  // a folder without files: nothing else is expanded
};
ExpandedInputs ExpandInputs(const std::vector<std::string>& given, bool recursive);

// The column headers: the archives' file names or, when any two share a
// name, every path as given.
std::vector<std::string> ColumnNames(const std::vector<std::string>& paths);

// The file name part of a path: what follows its last "/" (or "\" on
// Windows).
std::string FileNameOf(const std::string& path);

}  // namespace parvex
