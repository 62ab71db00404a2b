#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace parvex {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The folder part of a file path: every piece but the last, joined again,
// without a trailing separator. A path without a separator comes back
// unchanged. Failures (an empty path) are reported under "Error While Getting
// Path" and give the empty text.
std::string GetPath(std::string_view path, char separator = kPathSeparator);

// The file name part of a path: what follows its last "/" (or "\" on
// Windows).
std::string FileNameOf(const std::string& path);

// A path's bytes as the file system takes them: on POSIX the name's own
// bytes, never decoded, so that any name can be reached; on Windows UTF-8,
// as the engine opens files there.
std::filesystem::path FileSystemPath(const std::string& bytes);
// And back: a path the file system gave, as the engine takes paths.
std::string BytesOfPath(const std::filesystem::path& path);

// A small file's bytes, read whole (a rules file, a change set, a snapshot to
// add); false when it cannot be read, a folder among them.
bool ReadWholeFile(const std::string& path, std::string& bytes);

}  // namespace parvex
