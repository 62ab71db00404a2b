#include "engine/BatchReader.h"

#include <algorithm>
#include <cstring>

#include "engine/TextStream.h"

namespace parvex {

namespace {
// Batches parsed and waiting, at most; bounds the memory of reading ahead.
constexpr std::size_t kBatchesAhead = 4;
}  // namespace

void BatchReader::Bytes::Reserve(std::size_t wanted) {
  if (wanted <= capacity) return;
  const std::size_t grown = std::max(wanted, capacity + capacity / 2);
  // A little more than asked, so that reading a few bytes past the last line
  // (as the field splitter does) stays within this block.
  auto bigger = std::make_unique_for_overwrite<char[]>(grown + 16);
  if (size > 0) std::memcpy(bigger.get(), data.get(), size);
  data = std::move(bigger);
  capacity = grown;
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
  batch->lines.clear();
  batch->failures.clear();
  batch->end = false;
  batch->failure.reset();
  return batch;
}

void BatchReader::Work() {
  Bytes pending;  // the start of a line whose end is not read yet
  bool endOfFile = false;
  std::vector<Span> spans;
  for (;;) {
    std::unique_ptr<Batch> batch;
    bool last = false;
    try {
      batch = FreshBatch();
      Bytes& bytes = batch->bytes;
      bytes.Reserve(pending.size + sizes_.buffer);
      if (pending.size > 0) std::memcpy(bytes.data.get(), pending.data.get(), pending.size);
      bytes.size = pending.size;
      pending.size = 0;

      spans.clear();
      std::size_t lineStart = 0;
      std::size_t scanned = 0;
      for (;;) {
        // Every complete line of what has been read.
        const char* const data = bytes.data.get();
        while (const void* lf = std::memchr(data + scanned, '\n', bytes.size - scanned)) {
          std::size_t end = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
          scanned = end + 1;
          if (end > lineStart && data[end - 1] == '\r') --end;
          spans.push_back({lineStart, end});
          lineStart = scanned;
        }
        scanned = bytes.size;
        if (spans.size() >= sizes_.batch) break;
        if (endOfFile) {
          // A last line without terminator is a line, a CR at its end included;
          // a terminator at the very end starts no further line.
          if (lineStart < bytes.size) spans.push_back({lineStart, bytes.size});
          lineStart = bytes.size;
          batch->end = true;
          last = true;
          break;
        }
        bytes.Reserve(bytes.size + sizes_.buffer);
        std::size_t got = 0;
        try {
          got = stream_->ReadBytes(bytes.data.get() + bytes.size, sizes_.buffer);
        } catch (...) {
          batch->failure = CurrentFailure();
          last = true;
          break;
        }
        bytes.size += got;
        endOfFile = got == 0;
      }
      pending.Reserve(bytes.size - lineStart);
      pending.size = bytes.size - lineStart;
      if (pending.size > 0)
        std::memcpy(pending.data.get(), bytes.data.get() + lineStart, pending.size);
      bytes.size = lineStart;
      Parse(*batch, spans);
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

void BatchReader::Parse(Batch& batch, const std::vector<Span>& spans) {
  // A "$" line before the batch's first parsed line takes the fields of the
  // last parsed line of an earlier batch, which may be gone by then: the batch
  // keeps its own copy of them.
  batch.kept.assign(lastDescription_).append(lastUnits_);
  last_.Description = std::string_view(batch.kept).substr(0, lastDescription_.size());
  last_.Units = std::string_view(batch.kept).substr(lastDescription_.size());

  std::vector<std::pair<std::size_t, std::size_t>> failed;  // line, failure
  batch.lines.resize(spans.size());
  const char* const data = batch.bytes.data.get();
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const std::string_view text(data + spans[i].begin, spans[i].end - spans[i].begin);
    Line& line = batch.lines[i];
    line.parseFailure = nullptr;
    line.dollar = !text.empty() && text.front() == '$';
    if (line.dollar) {
      line.fields = last_;
      line.fields.Value = {};
      continue;
    }
    try {
      ParseArchiveLine(text, line.fields);
    } catch (...) {
      failed.emplace_back(i, batch.failures.size());
      batch.failures.push_back(CurrentFailure());
    }
    last_ = line.fields;
  }
  for (const auto& [line, failure] : failed)
    batch.lines[line].parseFailure = &batch.failures[failure];
  lastDescription_.assign(last_.Description);
  lastUnits_.assign(last_.Units);
}

bool BatchReader::AtEnd() {
  while (!current_ || cursor_ == current_->lines.size()) {
    if (current_) {
      if (current_->end) return true;
      if (current_->failure) throw *current_->failure;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (current_) spare_.push_back(std::move(current_));
    changed_.wait(lock, [this] { return !ready_.empty(); });
    current_ = std::move(ready_.front());
    ready_.pop_front();
    cursor_ = 0;
    lock.unlock();
    changed_.notify_all();
  }
  return false;
}

const BatchReader::Line& BatchReader::Next() {
  return current_->lines[cursor_++];
}

}  // namespace parvex
