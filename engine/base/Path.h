#pragma once

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

}  // namespace parvex
