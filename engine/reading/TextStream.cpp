#include "engine/reading/TextStream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "parvex/version.h"

#ifdef _WIN32
#include <filesystem>
#endif

namespace parvex {

namespace {

std::FILE* OpenFile(const std::string& path, const char* how) {
#ifdef _WIN32
  const std::filesystem::path p(
      std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
  const std::wstring wideHow(how, how + std::strlen(how));
  std::FILE* file = _wfopen(p.c_str(), wideHow.c_str());
  // Windows refuses to open a folder as "access denied"; name it as POSIX does.
  std::error_code ec;
  if (file == nullptr && errno == EACCES && std::filesystem::is_directory(p, ec)) errno = EISDIR;
  return file;
#else
  return std::fopen(path.c_str(), how);
#endif
}

}  // namespace

bool FileExists(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
#ifdef _WIN32
  std::error_code ec;
  const std::filesystem::path p(
      std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
  return std::filesystem::is_regular_file(p, ec);
#else
  struct stat st {};
  // Only regular files: a folder, a pipe or a device is no archive, and
  // reading one could block or never end.
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
#endif
}

TextStream::TextStream(const std::string& path, Mode mode, std::size_t bufferSize)
    : path_(path), mode_(mode) {
  bufferSize = std::max<std::size_t>(bufferSize, 1);
  if (path.find('\0') != std::string::npos) throw FileFailure(ENOENT, path);
  file_ = OpenFile(path, mode == Mode::Read ? "rb" : "wb");
  if (file_ == nullptr) Fail(errno);
  if (mode == Mode::Read) {
    // Our own buffer does the buffering; the C library's would only copy twice.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    bufferSize_ = bufferSize;
  } else {
    std::setvbuf(file_, nullptr, _IOFBF, kDefaultBufferSize);
  }
}

TextStream::~TextStream() {
  if (file_ != nullptr) std::fclose(file_);
}

void TextStream::Fail(int errnoValue) const {
  throw FileFailure(errnoValue, path_);
}

bool TextStream::Fill() {
  if (eof_ || file_ == nullptr) return false;
  begin_ = 0;
  end_ = 0;
  // Made at the first line read: readers of bytes alone never need it.
  if (buffer_.empty()) buffer_.resize(bufferSize_);
  errno = 0;
  const std::size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  bufferAt_ = fileAt_;
  fileAt_ += got;
  if (got == 0) {
    if (std::ferror(file_)) Fail(errno != 0 ? errno : EIO);
    eof_ = true;
    return false;
  }
  end_ = got;
  return true;
}

std::uint64_t TextStream::Size() const {
  if (file_ == nullptr) return 0;
#ifdef _WIN32
  struct _stati64 st {};
  return _fstati64(_fileno(file_), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
#else
  struct stat st {};
  return ::fstat(fileno(file_), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
#endif
}

void TextStream::SkipTo(std::uint64_t at) {
  if (file_ == nullptr || mode_ != Mode::Read) throw Failure(54, "Bad file mode");
  if (at >= bufferAt_ && at - bufferAt_ <= end_) {
    begin_ = static_cast<std::size_t>(at - bufferAt_);
    return;
  }
#ifdef _WIN32
  const bool moved = _fseeki64(file_, static_cast<__int64>(at), SEEK_SET) == 0;
#else
  const bool moved = fseeko(file_, static_cast<off_t>(at), SEEK_SET) == 0;
#endif
  if (!moved) Fail(errno != 0 ? errno : EIO);
  begin_ = 0;
  end_ = 0;
  eof_ = false;
  bufferAt_ = at;
  fileAt_ = at;
}

bool TextStream::AtEndOfStream() {
  if (mode_ != Mode::Read) return true;
  if (begin_ < end_) return false;
  return !Fill();
}

std::string_view TextStream::ReadLine() {
  if (mode_ != Mode::Read || AtEndOfStream()) {
    throw Failure(62, "Input past end of file");
  }
  carry_.clear();
  bool carrying = false;
  for (;;) {
    const char* start = buffer_.data() + begin_;
    const std::size_t avail = end_ - begin_;
    const auto* lf = static_cast<const char*>(std::memchr(start, '\n', avail));
    if (lf != nullptr) {
      const auto len = static_cast<std::size_t>(lf - start);
      begin_ += len + 1;
      std::string_view line;
      if (carrying) {
        carry_.append(start, len);
        line = carry_;
      } else {
        line = std::string_view(start, len);
      }
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      return line;
    }
    // No terminator in what is buffered: keep the piece and read on.
    carry_.append(start, avail);
    carrying = true;
    begin_ = end_;
    if (!Fill()) {
      // A CR at the very end of a last, unterminated line belongs to the line.
      return carry_;
    }
  }
}

std::size_t TextStream::ReadBytes(char* into, std::size_t size) {
  if (file_ == nullptr || mode_ != Mode::Read) throw Failure(54, "Bad file mode");
  errno = 0;
  const std::size_t got = std::fread(into, 1, size, file_);
  if (got == 0 && std::ferror(file_)) Fail(errno != 0 ? errno : EIO);
  fileAt_ += got;
  return got;
}

void TextStream::WriteLine(std::string_view text) {
  if (file_ == nullptr || mode_ != Mode::Write) throw Failure(54, "Bad file mode");
  errno = 0;
  if ((!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) ||
      std::fwrite("\r\n", 1, 2, file_) != 2) {
    Fail(errno != 0 ? errno : EIO);
  }
}

void TextStream::Close() {
  if (file_ == nullptr) return;
  std::FILE* f = file_;
  file_ = nullptr;
  errno = 0;
  const bool flushed = mode_ != Mode::Write || std::fflush(f) == 0;
  const int flushErr = errno;
  const bool closed = std::fclose(f) == 0;
  if (!flushed || !closed) Fail(flushErr != 0 ? flushErr : (errno != 0 ? errno : EIO));
}

std::uint64_t UnterminatedLastLine(const std::string& path, std::uint64_t lines) {
  std::FILE* file = OpenFile(path, "rb");
  if (file == nullptr) return 0;
  std::uint64_t last = 0;
#ifdef _WIN32
  const bool atLast = _fseeki64(file, -1, SEEK_END) == 0;
#else
  const bool atLast = fseeko(file, -1, SEEK_END) == 0;
#endif
  if (atLast && std::fgetc(file) != '\n') {
    last = lines;
    if (last == 0) {
      // Rare: only files cut short are counted through again.
      std::rewind(file);
      std::vector<char> buffer(TextStream::kDefaultBufferSize);
      last = 1;
      for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;) {
        last += static_cast<std::uint64_t>(std::count(buffer.data(), buffer.data() + got, '\n'));
      }
    }
  }
  std::fclose(file);
  return last;
}

std::string CutShortNote(const std::string& name, std::uint64_t lastLine) {
  return name + " may have been cut short: its last line, line " + std::to_string(lastLine) +
         ", has no line end";
}

std::unique_ptr<TextStream> OpenTextStream(const std::string& path, int mode,
                                           std::size_t bufferSize) {
  const bool exists = FileExists(path);
  if (mode == kOpenForReading && !exists) {
    MsgBox("File '" + path + "' does not exist.", kMsgExclamation, build::kAppTitle);
    return nullptr;
  }
  if (mode == kOpenForReading)
    return std::make_unique<TextStream>(path, TextStream::Mode::Read, bufferSize);
  if (mode == kCreateForWriting) {
    return std::make_unique<TextStream>(path, TextStream::Mode::Write);
  }
  return nullptr;
}

}  // namespace parvex
