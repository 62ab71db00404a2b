#pragma once

#include <cstdint>
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

  static constexpr std::size_t kDefaultBufferSize = 128 * 1024;

  // Opens or creates the file; throws a Failure when that is not possible.
  // bufferSize: the bytes read from the file at a time.
  TextStream(const std::string& path, Mode mode, std::size_t bufferSize = kDefaultBufferSize);
  ~TextStream();
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;

  bool AtEndOfStream();
  // The next line without its terminator. The view stays valid until the next
  // call on this stream.
  std::string_view ReadLine();

  // Up to size raw bytes, for readers that split lines themselves (not to be
  // mixed with ReadLine); 0 at the end of the file. Throws when reading fails.
  std::size_t ReadBytes(char* into, std::size_t size);

  // Goes on reading lines from this place in the file, within what is
  // buffered when it can, for readers that know where their lines start.
  void SkipTo(std::uint64_t at);
  // The size of the open file in bytes, 0 when it cannot be told.
  std::uint64_t Size() const;
  // Where the next line read starts in the file.
  std::uint64_t Place() const { return bufferAt_ + begin_; }

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
  std::size_t bufferSize_ = 0;
  std::size_t begin_ = 0;  // next unread byte in buffer_
  std::size_t end_ = 0;    // one past the last valid byte in buffer_
  bool eof_ = false;
  std::uint64_t bufferAt_ = 0;  // where buffer_ begins in the file
  std::uint64_t fileAt_ = 0;    // where the next read from the file begins
  std::string carry_;           // a line that spans a buffer refill
};

inline constexpr int kOpenForReading = 1;
inline constexpr int kCreateForWriting = 2;

// The number of the last line of a file that ends without a line end (cut
// short, most likely); 0 when it ends in LF, is empty or cannot be read.
// lines, when the caller has counted them, saves counting them again.
std::uint64_t UnterminatedLastLine(const std::string& path, std::uint64_t lines = 0);

// What to tell of such a file, named as the reader knows it.
std::string CutShortNote(const std::string& name, std::uint64_t lastLine);

// True when a regular file exists at path (folders, pipes and devices are not).
bool FileExists(const std::string& path);

// Mode 1 opens an existing file for reading; a missing one is told to the user
// ("File '...' does not exist.") and gives no stream. Mode 2 creates or
// replaces the file. Other modes give no stream. A file that exists but cannot
// be opened or created throws.
std::unique_ptr<TextStream> OpenTextStream(const std::string& path, int mode,
                                           std::size_t bufferSize = TextStream::kDefaultBufferSize);

}  // namespace parvex
