#include "engine/Compare.h"

#include <cstring>
#include <memory>
#include <vector>

#include "engine/AheadReader.h"
#include "engine/Archive.h"
#include "engine/DifferenceList.h"
#include "engine/ErrorReport.h"
#include "engine/Failure.h"
#include "engine/TextStream.h"

namespace parvex {

namespace {

bool IsDollarLine(std::string_view line) {
  return !line.empty() && line.front() == '$';
}

template <typename Record>
DifferenceRow MakeRow(std::string text, const Record& first, std::string_view value2) {
  DifferenceRow row;
  row.Text = std::move(text);
  row.Locked = first.ReadOnly;
  row.SubItems = {std::string(first.Description), std::string(first.Value), std::string(value2),
                  std::string(first.Units)};
  return row;
}

// The last parsed line of one archive. Its fields are views into the stream's
// buffer; when the next read would move those bytes, they are copied here
// first, because a following "$" line empties only the value and the other
// fields must live on.
class ParsedLine {
 public:
  void Parse(std::string_view line) {
    kept_ = false;
    try {
      ParseArchiveLine(line, fields_);
    } catch (...) {
      ReportVBError("Error While Splitting Archive Line");
    }
  }
  void EmptyValue() { fields_.Value = {}; }
  void KeepBeforeNextRead(TextStream& stream) {
    if (kept_ || stream.NextReadKeepsLastLine()) return;
    std::string copy;
    copy.reserve(fields_.Description.size() + fields_.Units.size() + fields_.Value.size());
    copy.append(fields_.Description).append(fields_.Units).append(fields_.Value);
    storage_.swap(copy);
    const std::string_view all(storage_);
    const std::size_t units = fields_.Description.size();
    const std::size_t value = units + fields_.Units.size();
    fields_.Description = all.substr(0, units);
    fields_.Units = all.substr(units, value - units);
    fields_.Value = all.substr(value);
    kept_ = true;
  }
  const ArchiveFields& Fields() const { return fields_; }

 private:
  std::string storage_;
  ArchiveFields fields_;
  bool kept_ = false;  // the fields live in storage_ already
};

ArchiveRecord ToRecord(const ArchiveFields& f) {
  return ArchiveRecord{f.ParamNumber,        f.SubIndex,           std::string(f.Description),
                       std::string(f.Value), std::string(f.Units), f.ReadOnly};
}

// The member table of one structure: members in slots 0..F-1, the end mark
// (ParamNumber -1) in slot F.
struct MemberTable {
  std::vector<ArchiveRecord> slots;
  std::int16_t fill = 0;

  std::int16_t LastSlot() const { return static_cast<std::int16_t>(slots.size() - 1); }
};

}  // namespace

void CompareArchives(const std::string& archive1, const std::string& archive2, DifferenceList& list,
                     bool includeReadOnly) {
  std::unique_ptr<TextStream> stream1;
  std::unique_ptr<TextStream> stream2;
  try {
    std::int16_t count = 0;
    // Both are opened even when the first is missing, so each missing file
    // gets its own message.
    stream1 = OpenTextStream(archive1, kOpenForReading);
    stream2 = OpenTextStream(archive2, kOpenForReading);
    if (stream1 && stream2) {
      list.Clear();
      list.SetCaption("val1", "Archive 1");
      list.SetCaption("val2", "Archive 2");

      ParsedLine p1;
      // Archive 2 is read and parsed a batch ahead on a second core; only its
      // values matter to the comparison.
      AheadReader reader2(std::move(stream2));
      for (;;) {
        const bool end1 = stream1->AtEndOfStream();
        const bool end2 = reader2.AtEnd();
        if (end1 || end2) break;

        // A "$" line empties only the value; the other fields stay from the
        // last parsed line of the same archive.
        p1.KeepBeforeNextRead(*stream1);
        const std::string_view line1 = stream1->ReadLine();
        if (IsDollarLine(line1)) {
          p1.EmptyValue();
        } else {
          p1.Parse(line1);
        }
        const AheadReader::Line line2 = reader2.Next();
        if (line2.parseFailure != nullptr) {
          try {
            throw *line2.parseFailure;
          } catch (...) {
            ReportVBError("Error While Splitting Archive Line");
          }
        }
        const std::string_view value2 = line2.dollar ? std::string_view() : line2.value;

        const ArchiveFields& r1 = p1.Fields();
        if (!includeReadOnly && r1.ReadOnly) continue;
        if (r1.Value == value2) continue;

        list.Append(MakeRow(std::to_string(r1.ParamNumber) + "." + std::to_string(r1.SubIndex), r1,
                            value2));
        count = CheckedAdd16(count, 1);
      }
    }
    list.SetStatus(DifferenceStatus(count));
  } catch (...) {
    ReportVBError("Error While Comparing Archives");
  }
}

void CompareStructures(const std::string& archive, std::int16_t structure1, std::int16_t structure2,
                       DifferenceList& list, bool includeReadOnly) {
  std::unique_ptr<TextStream> stream;
  try {
    std::int16_t count = 0;
    stream = OpenTextStream(archive, kOpenForReading);
    if (stream) {
      list.Clear();
      list.SetCaption("val1", "Stucture 1");
      list.SetCaption("val2", "Stucture 2");

      MemberTable t1;
      MemberTable t2;
      t1.slots.resize(101);
      t2.slots.resize(101);
      t1.slots[0].ParamNumber = -1;
      t2.slots[0].ParamNumber = -1;
      std::int16_t nextSize = 200;

      // Both tables always have the same last slot; when one fills up, both grow.
      const auto store = [&](MemberTable& table, const ArchiveRecord& rec) {
        table.slots[static_cast<std::size_t>(table.fill)] = rec;
        table.fill = CheckedAdd16(table.fill, 1);
        if (table.fill > table.LastSlot()) {
          const auto size = static_cast<std::size_t>(nextSize) + 1;
          t1.slots.resize(size);
          t2.slots.resize(size);
          nextSize = CheckedAdd16(nextSize, 100);
        }
        table.slots[static_cast<std::size_t>(table.fill)].ParamNumber = -1;
      };

      ArchiveFields rec;
      while (!stream->AtEndOfStream()) {
        const std::string_view line = stream->ReadLine();
        if (IsDollarLine(line)) continue;
        try {
          ParseArchiveLine(line, rec);
        } catch (...) {
          ReportVBError("Error While Splitting Archive Line");
        }
        if (rec.ParamNumber == structure1) store(t1, ToRecord(rec));
        if (rec.ParamNumber == structure2) store(t2, ToRecord(rec));
      }

      const std::int16_t last = t1.LastSlot();
      for (std::int16_t i = 0; i <= last; i = CheckedAdd16(i, 1)) {
        const ArchiveRecord& m1 = t1.slots[static_cast<std::size_t>(i)];
        const ArchiveRecord& m2 = t2.slots[static_cast<std::size_t>(i)];
        if (m1.ParamNumber < 0) break;
        if (!includeReadOnly && m1.ReadOnly) continue;
        if (m1.Value == m2.Value) continue;
        list.Append(MakeRow(std::to_string(m1.SubIndex), m1, m2.Value));
        count = CheckedAdd16(count, 1);
      }
      stream->Close();
    }
    list.SetStatus(DifferenceStatus(count));
  } catch (...) {
    ReportVBError("Error While Comparing Structures");
  }
}

}  // namespace parvex
