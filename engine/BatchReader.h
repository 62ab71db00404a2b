#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/Archive.h"
#include "engine/Failure.h"

namespace parvex {

class TextStream;

// How archives are read: bytes asked of the file at a time, and lines parsed
// ahead in one batch. The results never depend on them; tests make them tiny
// to prove it.
struct ReadSizes {
  std::size_t buffer = 128 * 1024;
  std::size_t batch = 4096;
};

// Reads one archive on a helper thread, a batch of lines ahead of the
// comparison, splitting lines (at LF or CR LF) and parsing them there, so that
// two archives are read and parsed at once on two cores. A batch owns the
// bytes of its lines and the parsed fields are views into them: nothing is
// copied per line. A "$" line is resolved here as the comparisons need it: the
// fields of the archive's last parsed line with an empty value. Failures of
// the file itself are handed over after the last complete line read before
// them.
class BatchReader {
 public:
  struct Line {
    ArchiveFields fields;
    bool dollar = false;
    const Failure* parseFailure = nullptr;  // to report under the parser's title
  };

  BatchReader(std::unique_ptr<TextStream> stream, const ReadSizes& sizes);
  ~BatchReader();
  BatchReader(const BatchReader&) = delete;
  BatchReader& operator=(const BatchReader&) = delete;

  // True at the end of the archive; throws a failure the file met before it.
  bool AtEnd();
  // The next line (call only when AtEnd() is false). Valid until the next
  // call of AtEnd() or Next().
  const Line& Next();

 private:
  // A byte buffer that grows without clearing what it gains.
  struct Bytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    std::size_t capacity = 0;
    void Reserve(std::size_t wanted);
  };
  struct Span {
    std::size_t begin;
    std::size_t end;
  };
  struct Batch {
    Bytes bytes;       // whole lines, with their terminators
    std::string kept;  // fields of the last parsed line of the batch before
    std::vector<Line> lines;
    std::vector<Failure> failures;
    bool end = false;                // the archive ended after these lines
    std::optional<Failure> failure;  // the file failed after these lines
  };

  void Work();
  std::unique_ptr<Batch> FreshBatch();
  void Parse(Batch& batch, const std::vector<Span>& spans);

  std::unique_ptr<TextStream> stream_;
  const ReadSizes sizes_;
  // The worker's own: the last parsed line, kept across batches.
  ArchiveFields last_;
  std::string lastDescription_;
  std::string lastUnits_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Batch>> ready_;
  std::vector<std::unique_ptr<Batch>> spare_;  // taken, to be filled again
  bool stop_ = false;
  std::unique_ptr<Batch> current_;
  std::size_t cursor_ = 0;
  std::thread worker_;
};

}  // namespace parvex
