#include "reference/Inputs.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

namespace parvex {

namespace {

namespace fs = std::filesystem;

// Appends the files of folder to paths; false when it cannot be listed.
bool AddFolder(const std::string& folder, bool recursive, std::vector<std::string>& paths) {
  std::error_code error;
  std::vector<std::string> names;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  if (error) return false;
  std::sort(names.begin(), names.end());
  const std::string prefix =
      folder.empty() || folder.back() == '/' ? folder : folder + std::string(1, '/');
  for (const std::string& name : names) {
    const std::string path = prefix + name;
    if (fs::is_regular_file(path, error)) {
      paths.push_back(path);
    } else if (recursive && fs::is_directory(path, error)) {
      AddFolder(path, recursive, paths);
    }
  }
  return true;
}

}  // namespace

ExpandedInputs ExpandInputs(const std::vector<std::string>& given, bool recursive) {
  ExpandedInputs out;
  for (const std::string& path : given) {
    std::error_code error;
    if (!fs::is_directory(path, error)) {
      out.paths.push_back(path);
      continue;
    }
    const std::size_t before = out.paths.size();
    if (!AddFolder(path, recursive, out.paths)) {
      out.error = "cannot list the folder '" + path + "'";
      return out;
    }
    if (out.paths.size() == before) {
      out.error = "the folder '" + path + "' holds no archive files";
      return out;
    }
  }
  return out;
}

std::string FileNameOf(const std::string& path) {
#if defined(_WIN32)
  const std::size_t at = path.find_last_of("/\\");
#else
  const std::size_t at = path.find_last_of('/');
#endif
  return at == std::string::npos ? path : path.substr(at + 1);
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
