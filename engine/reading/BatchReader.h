#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/Bytes.h"
#include "engine/base/Failure.h"
#include "engine/reading/Archive.h"

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
// comparison, splitting lines (at LF or CR LF) and their fields in one pass,
// so that two archives are read and parsed at once on two cores. A batch owns
// the bytes of its lines and the parsed fields are views into them: nothing
// is copied per line. A "$" line is resolved here as the comparisons need it:
// the fields of the archive's last parsed line with an empty value. Failures
// of the file itself are handed over after the last complete line read before
// them.
class BatchReader {
 public:
  // One parsed line in 32 bytes, so that little memory passes between the
  // cores per line: its texts lie in the batch's bytes (or are constants),
  // found from where the description starts.
  struct Line {
    const char* text = "";  // the description
    std::uint32_t descriptionSize = 0;
    std::uint32_t valueSize = 0;  // the value starts after the description's tab
    std::uint32_t unitsAt = 0;    // from text
    std::uint32_t unitsSize = 0;
    std::int16_t paramNumber = 0;  // unless kDigits
    std::int16_t subIndex = 0;
    std::uint8_t flags = 0;
    std::uint8_t digits = 0;  // with kDigits: of the number, and of the member times 16

    static constexpr std::uint8_t kReadOnly = 1;
    static constexpr std::uint8_t kDollar = 2;
    static constexpr std::uint8_t kFailed = 4;  // its failure waits in the batch
    // The address, "N" or "N.M" in at most five digits each, lies in the
    // batch right before the description's tab and is read only when asked
    // for, as the lines of equal values never need it.
    static constexpr std::uint8_t kDigits = 8;
    // Read whole: text and descriptionSize give the line (without its line
    // end), the address is plain, and the fields are split only on request.
    static constexpr std::uint8_t kWhole = 16;

    bool Dollar() const { return (flags & kDollar) != 0; }
    bool ReadOnly() const { return (flags & kReadOnly) != 0; }
    std::int16_t Number() const {
      return (flags & kDigits) == 0 ? paramNumber : FromDigits(AddressStart(), digits & 15U);
    }
    std::int16_t Member() const {
      if ((flags & kDigits) == 0) return subIndex;
      const unsigned member = digits >> 4U;
      return member == 0 ? 0 : FromDigits(AddressStart() + (digits & 15U) + 1, member);
    }
    // The numbers read, so that the line no longer needs its address's bytes.
    void KeepAddress() {
      paramNumber = Number();
      subIndex = Member();
      flags = static_cast<std::uint8_t>(flags & ~kDigits);
    }
    std::string_view Value() const {
      return valueSize == 0 ? std::string_view()
                            : std::string_view(text + descriptionSize + 1, valueSize);
    }
    const char* AddressStart() const {
      const unsigned member = digits >> 4U;
      return text - 1 - (ReadOnly() ? 1 : 0) - (digits & 15U) - (member == 0 ? 0 : member + 1);
    }
    // The value of count (1 to 5) digits at p, which has eight bytes to read:
    // moved to the top with zeros before them, then summed in pairs, fours
    // and eights.
    static std::int16_t FromDigits(const char* p, unsigned count) {
      std::uint64_t v = 0;
      std::memcpy(&v, p, sizeof v);
      std::uint64_t d = ((v - 0x3030303030303030ULL) << (64 - 8 * count)) & 0x0F0F0F0F0F0F0F0FULL;
      d = ((d * 2561) >> 8) & 0x00FF00FF00FF00FFULL;
      d = ((d * 6553601) >> 16) & 0x0000FFFF0000FFFFULL;
      return static_cast<std::int16_t>((d * 42949672960001ULL) >> 32);
    }
    ArchiveFields Fields() const {
      ArchiveFields f;
      f.ParamNumber = Number();
      f.SubIndex = Member();
      f.Description = std::string_view(text, descriptionSize);
      f.Value = Value();
      f.Units = std::string_view(text + unitsAt, unitsSize);
      f.ReadOnly = ReadOnly();
      return f;
    }
  };

  // Takes every line on the reader's own thread, in order, once its batch is
  // parsed, so that work on each line is shared out between the cores too. A
  // failure it throws is handed over after that line.
  class Sink {
   public:
    virtual ~Sink() = default;
    // Takes lines[0..count), line k starting in the file at fileAt +
    // starts[k], and counts in taken the lines it is done with, so that a
    // failure it throws can be handed over after its line.
    virtual void Take(const Line* lines, const std::uint32_t* starts, std::size_t count,
                      std::uint64_t fileAt, std::size_t& taken) = 0;
  };

  // Fields: every line comes split into its fields. Whole: a line with a
  // plain address comes whole (kWhole), for a reader that compares lines
  // first and splits only those that differ; once that asks for more than
  // one line in eight of a batch to be split, lines come split again.
  enum class Reading { Fields, Whole };
  // OwnThread: the archive is read a batch ahead on a thread of its own.
  // CallersThread: a batch is read when the caller has taken the last one,
  // for a caller that would otherwise mostly wait for it, and its lines are
  // split only as they are asked for, so that PassSame can pass over lines
  // without splitting them at all (for a reader without a sink).
  enum class Where { OwnThread, CallersThread };

  BatchReader(std::unique_ptr<TextStream> stream, const ReadSizes& sizes, Sink* sink = nullptr,
              Reading reading = Reading::Fields, Where where = Where::OwnThread);
  ~BatchReader();
  BatchReader(const BatchReader&) = delete;
  BatchReader& operator=(const BatchReader&) = delete;

  // Once AtEnd() has said true: whether the file held a line of an archive
  // (a numeric address and three fields after it; lines read whole are not
  // looked at), and whether it held a NUL byte, which no archive does.
  bool HeldArchiveLines() const { return archiveLines_ > 0; }
  bool HeldNul() const { return sawNul_; }

  // True at the end of the archive; throws a failure the file met before it.
  bool AtEnd() { return cursor_ == count_ && NextBatch(); }
  // The next line (call only when AtEnd() is false). Valid until the next
  // call of AtEnd() or Next().
  const Line& Next() {
    if (cursor_ == count_) TakeMore();
    return current_->lines[cursor_++];
  }
  // The failure met converting the line Next() gave last, to be told under
  // the parser's title; nullptr when there was none.
  const Failure* ParseFailure(const Line& line) const {
    return (line.flags & Line::kFailed) == 0 ? nullptr : FailureOf(line);
  }
  // Whether two lines read by batch readers have the same value, byte for
  // byte. Their bytes lie in batches with room behind them, so a short value
  // is tested sixteen bytes at once, without a call.
  static bool SameValueBytes(const Line& a, const Line& b) {
    const std::size_t size = a.valueSize;
    if (size != b.valueSize) return false;
    if (size == 0) return true;
    return SameBytesWithRoom(a.text + a.descriptionSize + 1, b.text + b.descriptionSize + 1, size);
  }
  // Whether two lines read whole are the same, byte for byte: then their
  // fields are too, and neither can have a parse failure.
  static bool SameWholeLines(const Line& a, const Line& b) {
    if ((a.flags & b.flags & Line::kWhole) == 0 || ((a.flags | b.flags) & Line::kDollar) != 0) {
      return false;
    }
    return a.descriptionSize == b.descriptionSize &&
           SameLongBytesWithRoom(a.text, b.text, a.descriptionSize);
  }
  // The line with its fields split, for a line Next() gave last.
  Line Split(const Line& line) {
    if ((line.flags & Line::kWhole) == 0) return line;
    ++split_;
    return SplitWhole(line);
  }
  // How many of the lines at hand Next() would give without a parse failure,
  // and passing over some of them at once, for readers that use only those.
  std::size_t Clean() const;
  void Skip(std::size_t lines) { cursor_ += lines; }
  // The lines at hand, from the one Next() would give, without a call each.
  const Line* Ahead(std::size_t& count) const {
    count = count_ - cursor_;
    return count == 0 ? nullptr : current_->lines.data() + cursor_;
  }
  // For a reader on the caller's thread with no lines at hand: passes over
  // as many of its next lines as are, line ends included, the same bytes as
  // the whole lines given (from another reader), looking at nothing but
  // those bytes. Returns how many; 0 when it cannot tell.
  std::size_t PassSame(const Line* lines, std::size_t count) {
    return allSplit_ || cursor_ != count_ ? 0 : PassSameBytes(lines, count);
  }
  // The same for lines given that lie one after another in memory, each
  // followed by its line end, all whole and none a "$" line: their bytes are
  // compared as one run, and only then counted into lines.
  std::size_t PassSameSpan(const Line* lines, std::size_t count) {
    return allSplit_ || cursor_ != count_ || count == 0 ? 0 : PassSpanBytes(lines, count);
  }
  // Once AtEnd() has said true: whether the last line had no line end.
  bool EndedInLine() const { return endedInLine_; }
  // Passes over the next pairs of lines of two readers that are the same
  // whole lines (such lines have no failure to tell and no difference): as
  // bytes held against whole lines, or from the lines at hand. Returns how
  // many pairs.
  static std::size_t PassSamePairs(BatchReader& first, BatchReader& second) {
    // Asked before every pair: when the first reader's next line is split
    // already, as in archives that differ everywhere, there is nothing to pass.
    if (first.cursor_ != first.count_ &&
        (first.current_->lines[first.cursor_].flags & Line::kWhole) == 0) {
      return 0;
    }
    return PassSameRun(first, second);
  }

 private:
  // A byte buffer that grows without clearing what it gains, and always has a
  // few bytes to spare behind its end for reads 64 bytes at a time.
  struct Bytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    std::size_t capacity = 0;
    void Reserve(std::size_t wanted);
    void Append(const char* from, std::size_t count);
  };
  struct Batch {
    // Grows only while no line refers to it.
    Bytes bytes;
    std::vector<Line> lines;
    std::size_t count = 0;  // lines in use
    struct FailedLine {
      std::size_t line;
      Failure failure;
    };
    std::vector<FailedLine> failures;
    bool end = false;                   // the archive ended after these lines
    std::optional<Failure> failure;     // the file failed after these lines
    bool failureInLine = false;         // ... while a further line was being read
    std::uint64_t fileAt = 0;           // where bytes[0] would lie in the file
    std::vector<std::uint32_t> starts;  // where each line starts in bytes, for a sink
  };
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // How far the search through the line being read has come, by places in
  // the batch's bytes.
  struct Scan {
    std::size_t start = 0;  // the line's first byte
    std::size_t next = 0;   // the first byte not yet looked at
    std::size_t tabs = 0;
    std::size_t fieldStart = 0;
    std::size_t fieldEnd[4] = {};
  };

  void Work();
  std::unique_ptr<Batch> MakeBatch(bool& last);
  std::unique_ptr<Batch> BeginBatch();
  void EndBatch(Batch& batch);
  std::unique_ptr<Batch> FillBatch();
  void ParseMore();
  void TakeMore();
  std::size_t PassSameBytes(const Line* lines, std::size_t count);
  std::size_t PassSpanBytes(const Line* lines, std::size_t count);
  void Passed(std::size_t lines, std::size_t lastAt, std::uint32_t lastSize, std::size_t end);
  static std::size_t PassSameRun(BatchReader& first, BatchReader& second);
  void TakeLines(Batch& batch, bool& last);
  const Failure* FailureOf(const Line& line) const;
  std::unique_ptr<Batch> FreshBatch();
  bool NextBatch();  // true at the end
  [[noreturn]] void ThrowInLine();
  void ParseLines(Batch& batch);
  void ParseWholeLines(Batch& batch, std::size_t most = kNone);
  void AddSplitLine(Batch& batch, std::size_t start, std::size_t lf);
  static Line SplitWhole(const Line& whole);
  static void FindTabs(const char* data, std::size_t end, Scan& scan);
  void AddLine(Batch& batch, const Scan& scan, std::size_t end, bool terminated);
  bool AddPlainLine(Batch& batch, const Scan& scan, std::size_t lf);
  void StartLine(std::size_t at);
  void AddLastLine(Batch& batch);
  bool ReadMore(Batch& batch);

  std::unique_ptr<TextStream> stream_;
  Sink* const sink_;
  const ReadSizes sizes_;
  // The worker's own.
  Scan scan_;
  bool readWhole_ = false;  // how the batch being filled is read
  Bytes pending_;           // the start of a line whose end is not read yet
  bool endOfFile_ = false;
  std::uint64_t archiveLines_ = 0;
  bool sawNul_ = false;
  bool endedInLine_ = false;
  // The last parsed line: in this batch (lastAt_), or copied from an earlier
  // one, its texts at the start of this batch's bytes.
  std::size_t lastAt_ = 0;
  std::uint64_t pendingAt_ = 0;  // where the line read in part lies in the file
  Line last_;
  std::string lastDescription_;
  std::string lastUnits_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Batch>> ready_;
  std::vector<std::unique_ptr<Batch>> spare_;  // taken, to be filled again
  bool stop_ = false;
  std::unique_ptr<Batch> current_;
  std::size_t cursor_ = 0;
  mutable std::size_t failureAt_ = 0;  // into current_->failures, for the lookups
  std::size_t count_ = 0;              // lines of current_
  std::size_t split_ = 0;              // lines of current_ split on request
  std::size_t passed_ = 0;             // lines of current_ passed by PassSame
  // On the caller's thread: whether every line of current_ is split, and
  // where its last line end read lies (one past it).
  bool allSplit_ = true;
  std::size_t tailEnd_ = 0;
  const bool whole_;
  std::atomic<bool> wantFields_{false};
  std::thread worker_;
};

}  // namespace parvex
