#include "reference/ArchiveReading.h"

#include <memory>

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/reading/ReadThrough.h"
#include "engine/reading/TextStream.h"

namespace parvex {

std::string FailureText(std::int32_t number, const std::string& description) {
  return "Error " + std::to_string(number) + ": " + description;
}

namespace {

// An archive's messages, kept in its summary: archives are read on many
// threads at once, and no message may be lost or shown as a box. Every one is
// kept: the five-second rule against floods of boxes would make what is kept
// depend on how fast the archives are read.
class SummaryMessages final : public Messages {
 public:
  explicit SummaryMessages(ArchiveSummary& summary) : summary_(summary) {}
  void Tell(std::string_view title, const Failure& failure) override {
    summary_.messages.push_back(
        {std::string(title), FailureText(failure.Number(), failure.Description())});
  }

 private:
  ArchiveSummary& summary_;
};

}  // namespace

bool ReadArchive(const std::string& path, const ReadSizes& sizes, AddressTable& table,
                 ArchiveSummary& summary) {
  summary.readable = false;
  if (!FileExists(path)) {
    summary.failure = "File '" + path + "' does not exist.";
    return false;
  }
  try {
    auto stream = std::make_unique<TextStream>(path, TextStream::Mode::Read, sizes.buffer);
    TableFiller fill(table, stream->Size());
    BatchReader reader(std::move(stream), sizes, &fill);
    SummaryMessages messages(summary);
    ReadThrough({&reader}, messages, &summary.lines);
    if (reader.HeldNul() || !reader.HeldArchiveLines()) {
      // What its lines would have said is no news about a file of another kind.
      summary.notArchive = true;
      summary.lines = 0;
      summary.messages.clear();
      summary.failure =
          "'" + path + "' is not an archive: " +
          (reader.HeldNul() ? "it holds NUL bytes"
                            : "no line holds an address, a description, a value and units");
      return false;
    }
  } catch (...) {
    const Failure failure = CurrentFailure();
    summary.failure = FailureText(failure.Number(), failure.Description());
    return false;
  }
  NoteCutShort(path, summary);
  summary.readable = true;
  return true;
}

void NoteCutShort(const std::string& path, ArchiveSummary& summary) {
  if (const std::uint64_t last = UnterminatedLastLine(path, summary.lines)) {
    summary.notes.push_back(CutShortNote(summary.name.empty() ? path : summary.name, last));
  }
}

}  // namespace parvex
