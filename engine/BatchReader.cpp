#include "engine/BatchReader.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/TextStream.h"

namespace parvex {

namespace {

// Batches parsed and waiting, at most; bounds the memory of reading ahead.
constexpr std::size_t kBatchesAhead = 4;
// Room behind a buffer's end for a sixteen-byte read that starts before it.
constexpr std::size_t kSlack = 16;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

}  // namespace

void BatchReader::Bytes::Reserve(std::size_t wanted) {
  if (wanted <= capacity) return;
  const std::size_t grown = std::max(wanted, capacity + capacity / 2);
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

BatchReader::BatchReader(std::unique_ptr<TextStream> stream, const ReadSizes& sizes)
    : stream_(std::move(stream)),
      sizes_{std::max<std::size_t>(sizes.buffer, 1), std::max<std::size_t>(sizes.batch, 1)},
      worker_([this] { Work(); }) {}

BatchReader::~BatchReader() {
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
  return batch;
}

void BatchReader::StartLine(std::size_t at) {
  // Only what a new line needs: the places of its tabs come as they are found.
  scan_.start = at;
  scan_.next = at;
  scan_.tabs = 0;
}

// Splits off every complete line of what has been read, looking for a line's
// first four tabs and its LF in one pass from where the last look stopped.
void BatchReader::ParseLines(Batch& batch) {
  const char* const data = batch.bytes.data.get();
  const std::size_t size = batch.bytes.size;
  for (;;) {
    std::size_t i = scan_.next;
    std::size_t tabs = scan_.tabs;
    std::size_t lf = kNone;
#if defined(__SSE2__)
    // Sixteen bytes at a time, since this runs for every byte of every
    // archive; the bytes past the end are read from the slack and masked off.
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i newline = _mm_set1_epi8('\n');
    for (; i < size; i += 16) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
      const unsigned valid = size - i >= 16 ? 0xFFFFU : (1U << (size - i)) - 1U;
      const unsigned lfs =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, newline))) & valid;
      if (tabs < 4) {
        unsigned tabBits =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, tab))) & valid;
        if (lfs != 0) tabBits &= (lfs & (0U - lfs)) - 1U;  // only the tabs before the LF
        for (; tabBits != 0 && tabs < 4; tabBits &= tabBits - 1) {
          scan_.fieldEnd[tabs++] = i + static_cast<std::size_t>(__builtin_ctz(tabBits));
        }
      }
      if (lfs != 0) {
        lf = i + static_cast<std::size_t>(__builtin_ctz(lfs));
        break;
      }
    }
#else
    for (; i < size; ++i) {
      if (data[i] == '\n') {
        lf = i;
        break;
      }
      if (data[i] == '\t' && tabs < 4) scan_.fieldEnd[tabs++] = i;
    }
#endif
    scan_.tabs = tabs;
    if (lf == kNone) {
      scan_.next = size;
      return;
    }
    AddLine(batch, lf, true);
    StartLine(lf + 1);
  }
}

// Adds the line scanned so far, which ends at end (its LF, when terminated).
void BatchReader::AddLine(Batch& batch, std::size_t end, bool terminated) {
  const char* const data = batch.bytes.data.get();
  const std::size_t start = scan_.start;
  if (terminated && end > start && data[end - 1] == '\r') --end;
  if (batch.count == batch.lines.size()) batch.lines.emplace_back();
  Line& line = batch.lines[batch.count];
  line.parseFailure = nullptr;
  line.dollar = end > start && data[start] == '$';
  if (line.dollar) {
    if (lastAt_ != kNone) {
      line.fields = batch.lines[lastAt_].fields;
    } else {
      line.fields = last_;
      line.fields.Description = std::string_view(data, lastDescription_.size());
      line.fields.Units = std::string_view(data + lastDescription_.size(), lastUnits_.size());
    }
    line.fields.Value = {};
    ++batch.count;
    return;
  }
  line.fields = ArchiveFields{};
  if (end > start) {
    std::string_view split[4];
    std::size_t from = start;
    for (std::size_t k = 0; k < scan_.tabs; ++k) {
      split[k] = std::string_view(data + from, scan_.fieldEnd[k] - from);
      from = scan_.fieldEnd[k] + 1;
    }
    if (scan_.tabs == 3) split[3] = std::string_view(data + from, end - from);
    try {
      FillArchiveFields(split, scan_.tabs, line.fields);
    } catch (...) {
      batch.failures.push_back(CurrentFailure());
      line.parseFailure = &batch.failures.back();
    }
  }
  lastAt_ = batch.count++;
}

void BatchReader::Work() {
  Bytes pending;  // the start of a line whose end is not read yet
  bool endOfFile = false;
  for (;;) {
    std::unique_ptr<Batch> batch;
    bool last = false;
    try {
      batch = FreshBatch();
      Bytes& bytes = batch->bytes;
      // The texts of the last parsed line of an earlier batch, which a "$"
      // line may take and which may be gone by then, come first.
      bytes.Append(lastDescription_.data(), lastDescription_.size());
      bytes.Append(lastUnits_.data(), lastUnits_.size());
      lastAt_ = kNone;
      // The line read in part last time goes on here.
      const std::size_t shift = bytes.size;
      bytes.Append(pending.data.get(), pending.size);
      scan_.start += shift;
      scan_.next += shift;
      for (std::size_t k = 0; k < scan_.tabs; ++k) scan_.fieldEnd[k] += shift;
      bytes.Reserve(bytes.size + sizes_.buffer);

      for (;;) {
        ParseLines(*batch);
        if (batch->count >= sizes_.batch) break;
        if (endOfFile) {
          // A last line without terminator is a line, a CR at its end included;
          // a terminator at the very end starts no further line.
          if (scan_.start < bytes.size) {
            AddLine(*batch, bytes.size, false);
            StartLine(bytes.size);
          }
          batch->end = true;
          last = true;
          break;
        }
        if (bytes.size + sizes_.buffer > bytes.capacity) {
          // Lines refer to these bytes, so they must stay where they are: the
          // rest goes to the next batch. A line longer than the buffer grows it.
          if (batch->count > 0) break;
          bytes.Reserve(bytes.size + sizes_.buffer);
        }
        std::size_t got = 0;
        try {
          got = stream_->ReadBytes(bytes.data.get() + bytes.size, sizes_.buffer);
        } catch (...) {
          // Met inside a line, the failure belongs to reading that line, which
          // comes after the end test; met between lines, to the end test.
          batch->failure = CurrentFailure();
          batch->failureInLine = scan_.start < bytes.size;
          last = true;
          break;
        }
        bytes.size += got;
        endOfFile = got == 0;
      }

      // What follows the batch's last line waits for the next batch.
      const std::size_t cut = scan_.start;
      pending.size = 0;
      pending.Append(bytes.data.get() + cut, bytes.size - cut);
      bytes.size = cut;
      scan_.next -= cut;
      for (std::size_t k = 0; k < scan_.tabs; ++k) scan_.fieldEnd[k] -= cut;
      scan_.start = 0;
      if (lastAt_ != kNone) {
        last_ = batch->lines[lastAt_].fields;
        lastDescription_.assign(last_.Description);
        lastUnits_.assign(last_.Units);
      }
    } catch (...) {
      // Out of memory and the like: handed over after the lines before it.
      if (!batch) batch = std::make_unique<Batch>();
      batch->failure = CurrentFailure();
      last = true;
    }

    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stop_ || ready_.size() < kBatchesAhead; });
    if (stop_) return;
    ready_.push_back(std::move(batch));
    lock.unlock();
    changed_.notify_all();
    if (last) return;
  }
}

bool BatchReader::NextBatch() {
  while (!current_ || cursor_ == current_->count) {
    if (current_) {
      if (current_->end) return true;
      if (current_->failure) {
        if (current_->failureInLine) return false;  // Next() meets it
        throw *current_->failure;
      }
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (current_) spare_.push_back(std::move(current_));
    changed_.wait(lock, [this] { return !ready_.empty(); });
    current_ = std::move(ready_.front());
    ready_.pop_front();
    cursor_ = 0;
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
