#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/Failure.h"

namespace parvex {

class TextStream;

// Reads and parses the second archive of a comparison on a helper thread, a
// batch of lines ahead, so that both archives are read and parsed at once on
// two cores. Only what the comparison needs of that archive is kept: each
// line's value (empty for a "$" line or a line whose address fails to
// convert) and the failure to report for it. Failures of the stream itself
// are handed over at the point where reading would have met them, so the
// comparison sees exactly what reading the stream in step would give.
class AheadReader {
 public:
  struct Line {
    std::string_view value;
    bool dollar = false;
    const Failure* parseFailure = nullptr;  // to report under the parser's title
  };

  explicit AheadReader(std::unique_ptr<TextStream> stream);
  ~AheadReader();
  AheadReader(const AheadReader&) = delete;
  AheadReader& operator=(const AheadReader&) = delete;

  // As TextStream::AtEndOfStream; throws a failure the stream met there.
  bool AtEnd();
  // The next line; valid until the next call. Throws a failure the stream met
  // while reading it.
  Line Next();

 private:
  struct Entry {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    bool dollar = false;
    int failure = -1;  // index into Batch::failures
  };
  struct Batch {
    std::string bytes;
    std::vector<Entry> entries;
    std::vector<Failure> failures;
    bool end = false;                        // the stream ended after the entries
    std::optional<Failure> atEndFailure;     // thrown by the end test after the entries
    std::optional<Failure> readLineFailure;  // thrown reading the line after the entries
  };

  void Work();
  bool Take();  // the next batch into current_; false only when there is none

  std::unique_ptr<TextStream> stream_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Batch>> ready_;
  bool stop_ = false;
  bool finished_ = false;  // the worker has pushed its last batch
  std::unique_ptr<Batch> current_;
  std::size_t cursor_ = 0;
  std::thread worker_;
};

}  // namespace parvex
