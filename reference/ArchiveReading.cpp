#include "reference/ArchiveReading.h"

#include <memory>

#include "engine/base/Failure.h"
#include "engine/reading/TextStream.h"

namespace parvex {

std::string FailureText(std::int32_t number, const std::string& description) {
  return "Error " + std::to_string(number) + ": " + description;
}

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
    while (!reader.AtEnd()) {
      // Lines without a message are passed over a run at a time.
      if (const std::size_t n = reader.Clean(); n > 0) {
        reader.Skip(n);
        summary.lines += n;
        continue;
      }
      const Failure* failure = reader.ParseFailure(reader.Next());
      ++summary.lines;
      if (failure != nullptr) {
        summary.messages.push_back({"Error While Splitting Archive Line",
                                    FailureText(failure->Number(), failure->Description())});
      }
    }
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
