#include "engine/AheadReader.h"

#include "engine/Archive.h"
#include "engine/TextStream.h"

namespace parvex {

namespace {
constexpr std::size_t kLinesPerBatch = 4096;
constexpr std::size_t kBatchesAhead = 4;
}  // namespace

AheadReader::AheadReader(std::unique_ptr<TextStream> stream)
    : stream_(std::move(stream)), worker_([this] { Work(); }) {}

AheadReader::~AheadReader() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void AheadReader::Work() {
  for (;;) {
    auto batch = std::make_unique<Batch>();
    bool last = false;
    try {
      ArchiveFields fields;
      while (batch->entries.size() < kLinesPerBatch) {
        bool atEnd = false;
        try {
          atEnd = stream_->AtEndOfStream();
        } catch (...) {
          batch->atEndFailure = CurrentFailure();
          last = true;
          break;
        }
        if (atEnd) {
          batch->end = true;
          last = true;
          break;
        }
        std::string_view line;
        try {
          line = stream_->ReadLine();
        } catch (...) {
          batch->readLineFailure = CurrentFailure();
          last = true;
          break;
        }
        Entry entry;
        entry.offset = static_cast<std::uint32_t>(batch->bytes.size());
        if (!line.empty() && line.front() == '$') {
          entry.dollar = true;
        } else {
          try {
            ParseArchiveLine(line, fields);
            batch->bytes.append(fields.Value);
            entry.length = static_cast<std::uint32_t>(fields.Value.size());
          } catch (...) {
            // The address failed to convert: the value was never reached.
            entry.failure = static_cast<int>(batch->failures.size());
            batch->failures.push_back(CurrentFailure());
          }
        }
        batch->entries.push_back(entry);
        // A batch's offsets are 32 bits; a batch that holds that much ends here.
        if (batch->bytes.size() > 0x40000000U) break;
      }
    } catch (...) {
      // Out of memory and the like: handed over where the next line would be.
      batch->readLineFailure = CurrentFailure();
      last = true;
    }

    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stop_ || ready_.size() < kBatchesAhead; });
    if (stop_) return;
    ready_.push_back(std::move(batch));
    if (last) finished_ = true;
    lock.unlock();
    changed_.notify_all();
    if (last) return;
  }
}

bool AheadReader::Take() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
  if (ready_.empty()) return false;
  current_ = std::move(ready_.front());
  ready_.pop_front();
  cursor_ = 0;
  lock.unlock();
  changed_.notify_all();
  return true;
}

bool AheadReader::AtEnd() {
  while (!current_ || cursor_ == current_->entries.size()) {
    if (current_) {
      if (current_->end) return true;
      if (current_->atEndFailure) throw *current_->atEndFailure;
      if (current_->readLineFailure) return false;  // Next() meets it
    }
    if (!Take()) return true;
  }
  return false;
}

AheadReader::Line AheadReader::Next() {
  if (AtEnd()) throw Failure(62, "Input past end of file");
  if (cursor_ == current_->entries.size()) throw *current_->readLineFailure;
  const Entry& entry = current_->entries[cursor_++];
  Line line;
  line.dollar = entry.dollar;
  line.value = std::string_view(current_->bytes).substr(entry.offset, entry.length);
  if (entry.failure >= 0)
    line.parseFailure = &current_->failures[static_cast<std::size_t>(entry.failure)];
  return line;
}

}  // namespace parvex
