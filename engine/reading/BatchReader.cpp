#include "engine/reading/BatchReader.h"

#include <algorithm>
#include <cstring>

#include "engine/reading/TextStream.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace parvex {

namespace {

// Batches parsed and waiting, at most; bounds the memory of reading ahead.
constexpr std::size_t kBatchesAhead = 4;
// Room behind a buffer's end for reads of 64 bytes that start before it.
constexpr std::size_t kSlack = 64;

}  // namespace

void BatchReader::Bytes::Reserve(std::size_t wanted) {
  if (wanted <= capacity) return;
  // Lines give their texts' places in 32 bits.
  if (wanted + kSlack > UINT32_MAX) throw std::bad_alloc();
  const std::size_t grown =
      std::min<std::size_t>(std::max(wanted, capacity + capacity / 2), UINT32_MAX - kSlack);
  auto bigger = std::make_unique_for_overwrite<char[]>(grown + kSlack);
  if (size > 0) std::memcpy(bigger.get(), data.get(), size);
  data = std::move(bigger);
  capacity = grown;
}

void BatchReader::Bytes::Append(const char* from, std::size_t count) {
  Reserve(size + count);
  if (count > 0) std::memcpy(data.get() + size, from, count);
  size += count;
}

BatchReader::BatchReader(std::unique_ptr<TextStream> stream, const ReadSizes& sizes, Sink* sink,
                         Reading reading, Where where)
    : stream_(std::move(stream)),
      sink_(sink),
      sizes_{std::max<std::size_t>(sizes.buffer, 1), std::max<std::size_t>(sizes.batch, 1)},
      whole_(reading == Reading::Whole && sink == nullptr) {
  if (where == Where::OwnThread) worker_ = std::thread([this] { Work(); });
}

BatchReader::~BatchReader() {
  if (!worker_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

std::unique_ptr<BatchReader::Batch> BatchReader::FreshBatch() {
  std::unique_ptr<Batch> batch;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!spare_.empty()) {
      batch = std::move(spare_.back());
      spare_.pop_back();
    }
  }
  if (!batch) return std::make_unique<Batch>();
  batch->bytes.size = 0;
  batch->count = 0;
  batch->failures.clear();
  batch->end = false;
  batch->failure.reset();
  batch->failureInLine = false;
  batch->starts.clear();
  return batch;
}

void BatchReader::StartLine(std::size_t at) {
  // Only what a new line needs: the places of its tabs come as they are found.
  scan_.start = at;
  scan_.next = at;
  scan_.tabs = 0;
}

// The batch's failures come in line order and lines are asked for in order,
// so the search goes on from where the last one stopped.
const Failure* BatchReader::FailureOf(const Line& line) const {
  const auto at = static_cast<std::size_t>(&line - current_->lines.data());
  const auto& failures = current_->failures;
  while (failureAt_ < failures.size() && failures[failureAt_].line < at) ++failureAt_;
  if (failureAt_ < failures.size() && failures[failureAt_].line == at) {
    return &failures[failureAt_].failure;
  }
  return nullptr;
}

void BatchReader::Work() {
  for (;;) {
    bool last = false;
    std::unique_ptr<Batch> batch = MakeBatch(last);
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stop_ || ready_.size() < kBatchesAhead; });
    if (stop_) return;
    ready_.push_back(std::move(batch));
    lock.unlock();
    changed_.notify_all();
    if (last) return;
  }
}

// A fresh batch, starting with what earlier batches left to it.
std::unique_ptr<BatchReader::Batch> BatchReader::BeginBatch() {
  std::unique_ptr<Batch> batch = FreshBatch();
  Bytes& bytes = batch->bytes;
  // The texts of the last parsed line of an earlier batch, which a "$" line
  // may take and which may be gone by then, come first.
  bytes.Append(lastDescription_.data(), lastDescription_.size());
  bytes.Append(lastUnits_.data(), lastUnits_.size());
  lastAt_ = kNone;
  // The line read in part last time goes on here.
  const std::size_t shift = bytes.size;
  batch->fileAt = pendingAt_ - shift;  // modulo 2^64, as it is only added to
  bytes.Append(pending_.data.get(), pending_.size);
  scan_.start += shift;
  scan_.next += shift;
  for (std::size_t k = 0; k < scan_.tabs; ++k) scan_.fieldEnd[k] += shift;
  bytes.Reserve(bytes.size + sizes_.buffer);
  const bool whole = whole_ && !wantFields_.load(std::memory_order_relaxed);
  if (whole != readWhole_) {
    // The line read in part is looked at again from its start.
    scan_.next = scan_.start;
    scan_.tabs = 0;
    readWhole_ = whole;
  }
  return batch;
}

// What follows the batch's last line waits for the next batch, and so does
// the last parsed line, whose bytes go with this one.
void BatchReader::EndBatch(Batch& batch) {
  Bytes& bytes = batch.bytes;
  const std::size_t cut = scan_.start;
  pendingAt_ = batch.fileAt + cut;
  pending_.size = 0;
  pending_.Append(bytes.data.get() + cut, bytes.size - cut);
  bytes.size = cut;
  scan_.next -= cut;
  for (std::size_t k = 0; k < scan_.tabs; ++k) scan_.fieldEnd[k] -= cut;
  scan_.start = 0;
  if (lastAt_ != kNone) {
    last_ = batch.lines[lastAt_];
    if ((last_.flags & Line::kWhole) != 0) last_ = SplitWhole(last_);
    last_.KeepAddress();  // its bytes are gone with the batch
    lastDescription_.assign(last_.text, last_.descriptionSize);
    lastUnits_.assign(last_.text + last_.unitsAt, last_.unitsSize);
  }
}

// At the end of the file: a last line without terminator is a line, a CR at
// its end included; a terminator at the very end starts no further line.
void BatchReader::AddLastLine(Batch& batch) {
  Bytes& bytes = batch.bytes;
  if (scan_.start < bytes.size) {
    Scan line;
    line.start = scan_.start;
    FindTabs(bytes.data.get(), bytes.size, line);
    AddLine(batch, line, bytes.size, false);
    endedInLine_ = true;
    if (sink_ != nullptr) batch.starts.push_back(static_cast<std::uint32_t>(scan_.start));
    StartLine(bytes.size);
  }
  batch.end = true;
}

// Reads up to the buffer's size on at the end of the batch's bytes, which have
// room for it; false when reading fails, the failure kept in the batch.
bool BatchReader::ReadMore(Batch& batch) {
  Bytes& bytes = batch.bytes;
  std::size_t got = 0;
  try {
    got = stream_->ReadBytes(bytes.data.get() + bytes.size, sizes_.buffer);
  } catch (...) {
    batch.failure = CurrentFailure();
    return false;
  }
  // No archive holds a NUL byte: a file that does is some other kind of file.
  if (!sawNul_ && got > 0 && std::memchr(bytes.data.get() + bytes.size, 0, got) != nullptr) {
    sawNul_ = true;
  }
  bytes.size += got;
  endOfFile_ = got == 0;
  return true;
}

// Reads and parses the next batch; last tells whether it is the last one.
std::unique_ptr<BatchReader::Batch> BatchReader::MakeBatch(bool& last) {
  std::unique_ptr<Batch> batch;
  try {
    batch = BeginBatch();
    Bytes& bytes = batch->bytes;
    for (;;) {
      if (readWhole_) {
        ParseWholeLines(*batch);
      } else {
        ParseLines(*batch);
      }
      if (batch->count >= sizes_.batch) break;
      if (endOfFile_) {
        AddLastLine(*batch);
        last = true;
        break;
      }
      if (bytes.size + sizes_.buffer > bytes.capacity) {
        // Lines refer to these bytes, so they must stay where they are: the
        // rest goes to the next batch. A line longer than the buffer grows it.
        if (batch->count > 0) break;
        bytes.Reserve(bytes.size + sizes_.buffer);
      }
      if (!ReadMore(*batch)) {
        // Met inside a line, the failure belongs to reading that line, which
        // comes after the end test; met between lines, to the end test.
        batch->failureInLine = scan_.start < bytes.size;
        last = true;
        break;
      }
    }
    EndBatch(*batch);
  } catch (...) {
    // Out of memory and the like: handed over after the lines before it.
    if (!batch) batch = std::make_unique<Batch>();
    batch->failure = CurrentFailure();
    last = true;
  }
  if (sink_ != nullptr) TakeLines(*batch, last);
  return batch;
}

// On the caller's thread, a batch is at first only read: up to the buffer's
// size, and on until it holds a line end or the file ends or fails.
std::unique_ptr<BatchReader::Batch> BatchReader::FillBatch() {
  std::unique_ptr<Batch> batch;
  allSplit_ = false;
  try {
    batch = BeginBatch();
    Bytes& bytes = batch->bytes;
    tailEnd_ = scan_.start;  // what is left of a line read in part has no line end
    while (!endOfFile_ && tailEnd_ == scan_.start) {
      // No line refers to the bytes yet, so they may move.
      bytes.Reserve(bytes.size + sizes_.buffer);
      const std::size_t from = bytes.size;
      if (!ReadMore(*batch)) break;  // handed over after the lines read before it
      const std::size_t lf =
          std::string_view(bytes.data.get() + from, bytes.size - from).rfind('\n');
      if (lf != std::string_view::npos) tailEnd_ = from + lf + 1;
    }
  } catch (...) {
    // Out of memory and the like, before any line of this batch.
    if (!batch) batch = std::make_unique<Batch>();
    batch->failure = CurrentFailure();
    allSplit_ = true;
  }
  return batch;
}

// Splits the next few lines of the current batch, or, when it has no
// complete line left, its last line and what follows it.
void BatchReader::ParseMore() {
  // Few at a time, as the lines after a difference are mostly the same again.
  constexpr std::size_t kLinesAtOnce = 4;
  Batch& batch = *current_;
  const std::size_t before = batch.count;
  try {
    if (readWhole_) {
      ParseWholeLines(batch, std::min(sizes_.batch, kLinesAtOnce));
    } else {
      ParseLines(batch);
    }
    if (batch.count == before) {
      if (batch.failure) {
        batch.failureInLine = scan_.start < batch.bytes.size;
      } else if (endOfFile_) {
        AddLastLine(batch);
      }
      EndBatch(batch);
      allSplit_ = true;
    }
  } catch (...) {
    // Out of memory and the like: handed over after the lines before it.
    batch.failure = CurrentFailure();
    batch.failureInLine = false;
    batch.end = false;
    allSplit_ = true;
  }
  count_ = batch.count;
}

// Next() without a line at hand: split one, or meet the failure in the line.
void BatchReader::TakeMore() {
  if (!allSplit_) ParseMore();
  if (cursor_ == count_) ThrowInLine();
}

std::size_t BatchReader::PassSameBytes(const Line* lines, std::size_t count) {
  Batch& batch = *current_;
  const char* const data = batch.bytes.data.get();
  std::size_t at = scan_.start;
  std::size_t passed = 0;
  std::size_t lastAt = 0;
  for (; passed < count; ++passed) {
    const Line& other = lines[passed];
    // A whole line's end lies right behind it, in its batch.
    if ((other.flags & (Line::kWhole | Line::kDollar)) != Line::kWhole) break;
    const std::size_t size = other.descriptionSize;
    const std::size_t length = size + (other.text[size] == '\r' ? 2 : 1);
    if (length > tailEnd_ - at || !SameLongBytesWithRoom(data + at, other.text, length)) break;
    lastAt = at;
    at += length;
  }
  if (passed == 0) return 0;
  Passed(passed, lastAt, lines[passed - 1].descriptionSize, at);
  return passed;
}

namespace {

// How many bytes at a and at b are the same before the first that differs, of
// at most size; both have room behind them for reads sixteen bytes at a time.
std::size_t SamePrefix(const char* a, const char* b, std::size_t size) {
  std::size_t k = 0;
#if defined(__SSE2__)
  const auto same16 = [&](std::size_t at) {
    return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + at)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + at)));
  };
  for (; k + 64 <= size; k += 64) {
    const __m128i same = _mm_and_si128(_mm_and_si128(same16(k), same16(k + 16)),
                                       _mm_and_si128(same16(k + 32), same16(k + 48)));
    if (_mm_movemask_epi8(same) != 0xFFFF) break;
  }
  for (; k < size; k += 16) {
    const auto differ = ~static_cast<unsigned>(_mm_movemask_epi8(same16(k))) & 0xFFFFU;
    if (differ != 0) return std::min(size, k + static_cast<unsigned>(__builtin_ctz(differ)));
  }
  return size;
#else
  while (k < size && a[k] == b[k]) ++k;
  return k;
#endif
}

}  // namespace

std::size_t BatchReader::PassSpanBytes(const Line* lines, std::size_t count) {
  const char* const data = current_->bytes.data.get();
  const std::size_t at = scan_.start;
  const char* const base = lines[0].text;
  const Line& last = lines[count - 1];
  const std::size_t span = static_cast<std::size_t>(last.text - base) + last.descriptionSize +
                           (last.text[last.descriptionSize] == '\r' ? 2 : 1);
  const std::size_t same = SamePrefix(data + at, base, std::min(span, tailEnd_ - at));
  // Line k is passed when the bytes are the same up to where line k + 1 starts.
  std::size_t passed = count;
  if (same < span) {
    passed = static_cast<std::size_t>(
        std::upper_bound(lines + 1, lines + count, base + same,
                         [](const char* p, const Line& line) { return p < line.text; }) -
        (lines + 1));
  }
  if (passed == 0) return 0;
  const std::size_t end =
      passed == count ? span : static_cast<std::size_t>(lines[passed].text - base);
  Passed(passed, at + static_cast<std::size_t>(lines[passed - 1].text - base),
         lines[passed - 1].descriptionSize, at + end);
  return passed;
}

// After passing lines whose last starts at lastAt with a whole line of
// lastSize bytes, and ends (line end included) at end: that line is the
// archive's last parsed line, for a "$" line after it.
void BatchReader::Passed(std::size_t lines, std::size_t lastAt, std::uint32_t lastSize,
                         std::size_t end) {
  Batch& batch = *current_;
  if (batch.count == batch.lines.size()) {
    batch.lines.resize(std::max<std::size_t>(64, 2 * batch.count));
  }
  Line& line = batch.lines[batch.count];
  line.text = batch.bytes.data.get() + lastAt;
  line.descriptionSize = lastSize;
  line.flags = Line::kWhole;
  lastAt_ = batch.count++;
  count_ = batch.count;
  cursor_ = count_;
  passed_ += lines;
  StartLine(end);
}

std::size_t BatchReader::PassSameRun(BatchReader& first, BatchReader& second) {
  std::size_t ahead2 = 0;
  const Line* run2 = second.Ahead(ahead2);
  std::size_t same = first.PassSame(run2, ahead2);
  if (same == 0) {
    std::size_t ahead1 = 0;
    const Line* run1 = first.Ahead(ahead1);
    const std::size_t most = std::min(ahead1, ahead2);
    while (same < most && SameWholeLines(run1[same], run2[same])) ++same;
    first.Skip(same);
  }
  second.Skip(same);
  return same;
}

std::size_t BatchReader::Clean() const {
  if (!current_) return 0;
  const auto& failures = current_->failures;
  while (failureAt_ < failures.size() && failures[failureAt_].line < cursor_) ++failureAt_;
  if (failureAt_ < failures.size()) return std::min(failures[failureAt_].line, count_) - cursor_;
  return count_ - cursor_;
}

void BatchReader::TakeLines(Batch& batch, bool& last) {
  std::size_t taken = 0;
  try {
    sink_->Take(batch.lines.data(), batch.starts.data(), batch.count, batch.fileAt, taken);
  } catch (...) {
    // Handed over after the line that was being taken.
    batch.count = std::min(taken + 1, batch.count);
    batch.end = false;
    batch.failure = CurrentFailure();
    batch.failureInLine = false;
    last = true;
  }
}

bool BatchReader::NextBatch() {
  while (!current_ || cursor_ == current_->count) {
    if (current_) {
      if (!allSplit_) {
        // Lines not split yet come when asked for.
        if (tailEnd_ > scan_.start) return false;
        ParseMore();
        continue;
      }
      if (current_->end) return true;
      if (current_->failure) {
        if (current_->failureInLine) return false;  // Next() meets it
        throw *current_->failure;
      }
    }
    // Lines split on request are work the reader does better; many of them
    // and it splits every line again.
    if (split_ > (count_ + passed_) / 8) wantFields_.store(true, std::memory_order_relaxed);
    split_ = 0;
    passed_ = 0;
    if (!worker_.joinable()) {
      // Read here, on the caller's thread, and split as asked.
      if (current_) spare_.push_back(std::move(current_));
      current_ = FillBatch();
      cursor_ = 0;
      failureAt_ = 0;
      count_ = current_->count;
      continue;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (current_) spare_.push_back(std::move(current_));
    changed_.wait(lock, [this] { return !ready_.empty(); });
    current_ = std::move(ready_.front());
    ready_.pop_front();
    cursor_ = 0;
    failureAt_ = 0;
    count_ = current_->count;
    lock.unlock();
    changed_.notify_all();
  }
  return false;
}

void BatchReader::ThrowInLine() {
  if (!current_ || !current_->failure) throw Failure(62, "Input past end of file");
  throw *current_->failure;
}

}  // namespace parvex
