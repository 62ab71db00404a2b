#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace parvex {

// A single-byte text file, read line by line through a fixed buffer or written
// line by line. Lines end at LF or CR LF; a last line without terminator is a
// line, and a terminator at the very end starts no further line. Written lines
// end in CR LF. Bytes pass through unchanged.
class TextStream {
 public:
  enum class Mode { Read, Write };

  // Opens or creates the file; throws a Failure when that is not possible.
  TextStream(const std::string& path, Mode mode);
  ~TextStream();
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;

  bool AtEndOfStream();
  // The next line without its terminator. The view stays valid until the next
  // call on this stream.
  std::string_view ReadLine();

  // True when the next ReadLine leaves the bytes of the line returned last in
  // place, so a reader may keep views into it across that call.
  bool NextReadKeepsLastLine();

  void WriteLine(std::string_view text);
  // Flushes and closes; a failure to write the last bytes is reported here.
  void Close();

  const std::string& Path() const { return path_; }

 private:
  bool Fill();
  [[noreturn]] void Fail(int errnoValue) const;

  std::string path_;
  Mode mode_;
  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // next unread byte in buffer_
  std::size_t end_ = 0;    // one past the last valid byte in buffer_
  bool eof_ = false;
  std::string carry_;  // a line that spans a buffer refill
  bool lastFromCarry_ = false;
  const char* nextLf_ = nullptr;  // terminator of the next line, when already found
};

inline constexpr int kOpenForReading = 1;
inline constexpr int kCreateForWriting = 2;

// True when a regular file exists at path (folders, pipes and devices are not).
bool FileExists(const std::string& path);

// Mode 1 opens an existing file for reading; a missing one is told to the user
// ("File '...' does not exist.") and gives no stream. Mode 2 creates or
// replaces the file. Other modes give no stream. A file that exists but cannot
// be opened or created throws.
std::unique_ptr<TextStream> OpenTextStream(const std::string& path, int mode);

}  // namespace parvex
