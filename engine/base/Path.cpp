#include "engine/base/Path.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"

namespace parvex {

std::string GetPath(std::string_view path, char separator) {
  std::string result;
  try {
    std::vector<std::string_view> pieces;
    // An empty text splits into no piece at all.
    if (!path.empty()) {
      std::size_t start = 0;
      for (;;) {
        const std::size_t at = path.find(separator, start);
        if (at == std::string_view::npos) {
          pieces.push_back(path.substr(start));
          break;
        }
        pieces.push_back(path.substr(start, at - start));
        start = at + 1;
      }
    }
    if (pieces.empty()) throw SubscriptFailure();
    result.assign(pieces[0]);
    // The loop counter is a 16-bit number, as the rest of the program's.
    const std::int16_t last = CheckedInt16(static_cast<long long>(pieces.size()) - 2);
    for (std::int16_t i = 1; i <= last; i = CheckedAdd16(i, 1)) {
      result += separator;
      result.append(pieces[static_cast<std::size_t>(i)]);
    }
  } catch (...) {
    result.clear();
    ReportVBError("Error While Getting Path");
  }
  return result;
}

std::string FileNameOf(const std::string& path) {
#if defined(_WIN32)
  const std::size_t at = path.find_last_of("/\\");
#else
  const std::size_t at = path.find_last_of('/');
#endif
  return at == std::string::npos ? path : path.substr(at + 1);
}

std::filesystem::path FileSystemPath(const std::string& bytes) {
#if defined(_WIN32)
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(bytes.data()), bytes.size()));
#else
  return std::filesystem::path(bytes);
#endif
}

std::string BytesOfPath(const std::filesystem::path& path) {
#if defined(_WIN32)
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
#else
  return path.native();
#endif
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  try {
    std::ifstream file(FileSystemPath(path), std::ios::binary);
    if (file) bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return file && !file.bad();
  } catch (const std::exception&) {
    return false;  // a folder, or a read that failed on the way
  }
}

}  // namespace parvex
