#include "engine/pairing/Compare.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/list/DifferenceList.h"
#include "engine/pairing/CompareByAddress.h"
#include "engine/pairing/Pairing.h"
#include "engine/reading/Archive.h"
#include "engine/reading/BatchReader.h"
#include "engine/reading/TextStream.h"
#include "engine/values/NumericEquality.h"
#include "engine/values/Rules.h"

namespace parvex {

namespace {

template <typename Record>
DifferenceRow MakeRow(std::string text, const Record& first, std::string_view value2) {
  DifferenceRow row;
  row.Text = std::move(text);
  row.Locked = first.ReadOnly;
  row.SubItems = {std::string(first.Description), std::string(first.Value), std::string(value2),
                  std::string(first.Units)};
  return row;
}

void LinesForRules(const Rules& rules, const BatchReader::Line& line1,
                   const BatchReader::Line& line2, RuleLine& a, RuleLine& b) {
  RulePairOf(rules, line1.Number(), line1.Member(),
             std::string_view(line1.text, line1.descriptionSize), line2.Number(), line2.Member(),
             std::string_view(line2.text, line2.descriptionSize), a, b);
}

// A line's failure to convert its address, told under the parser's title.
void ReportParseFailure(const Failure& failure) {
  try {
    throw failure;
  } catch (...) {
    ReportVBError("Error While Splitting Archive Line");
  }
}

ArchiveRecord ToRecord(const ArchiveFields& f) {
  return ArchiveRecord{f.ParamNumber,        f.SubIndex,           std::string(f.Description),
                       std::string(f.Value), std::string(f.Units), f.ReadOnly};
}

// Archives whose last line has no line end: "Archive 2 'b.arc' may have been
// cut short ...".
void NoteCutShort(const std::vector<std::string>& archives, PairingNotes& notes) {
  for (std::size_t k = 0; k < archives.size(); ++k) {
    if (!FileExists(archives[k])) continue;
    if (const std::uint64_t last = UnterminatedLastLine(archives[k])) {
      notes.cutShort.push_back(
          CutShortNote("Archive " + std::to_string(k + 1) + " '" + archives[k] + "'", last));
    }
  }
}

void ArchivesByPosition(const std::string& archive1, const std::string& archive2,
                        DifferenceList& list, bool includeReadOnly, const CompareOptions& options,
                        PairingNotes* notes, const ReadSizes& sizes);

std::string AddressText(const BatchReader::Line& line) {
  return std::to_string(line.Number()) + "." + std::to_string(line.Member());
}

// The first pair of lines with different addresses. "$" lines carry the
// address of an earlier line and failed lines none, so they tell nothing.
void NoteShift(const BatchReader::Line& line1, const BatchReader::Line& line2, std::uint64_t pair,
               PairingNotes& notes) {
  constexpr std::uint8_t kNoAddress = BatchReader::Line::kDollar | BatchReader::Line::kFailed;
  if (((line1.flags | line2.flags) & kNoAddress) != 0) return;
  if (line1.Number() == line2.Number() && line1.Member() == line2.Member()) return;
  notes.shiftLine = pair;
  notes.address1 = AddressText(line1);
  notes.address2 = AddressText(line2);
}

// Counts the lines the comparison left unread, a batch at a time, without
// telling their parse failures (they were never compared). A file that fails
// on the way ends the count there rather than the comparison, which is done.
bool CountRest(BatchReader& reader, std::uint64_t& lines) {
  try {
    while (!reader.AtEnd()) {
      std::size_t ahead = 0;
      reader.Ahead(ahead);
      if (ahead == 0) {
        reader.Next();
        ahead = 1;
      } else {
        reader.Skip(ahead);
      }
      lines += ahead;
    }
    return true;
  } catch (...) {
    return false;
  }
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
                     bool includeReadOnly, const ReadSizes& sizes) {
  CompareArchives(archive1, archive2, list, includeReadOnly, CompareOptions{}, sizes);
}

void CompareArchives(const std::string& archive1, const std::string& archive2, DifferenceList& list,
                     bool includeReadOnly, const CompareOptions& options, const ReadSizes& sizes) {
  CompareArchives(archive1, archive2, list, includeReadOnly, options, nullptr, sizes);
}

void CompareArchives(const std::string& archive1, const std::string& archive2, DifferenceList& list,
                     bool includeReadOnly, const CompareOptions& options, PairingNotes* notes,
                     const ReadSizes& sizes) {
  if (notes != nullptr) *notes = PairingNotes{};
  if (options.MatchByAddress) {
    CompareArchivesByAddress(archive1, archive2, list, includeReadOnly, options.NumbersByValue,
                             sizes, options.AppliedRules, options.CompareUnits);
  } else {
    ArchivesByPosition(archive1, archive2, list, includeReadOnly, options, notes, sizes);
  }
  if (notes != nullptr) NoteCutShort({archive1, archive2}, *notes);
}

void CompareStructures(const std::string& archive, std::int16_t structure1, std::int16_t structure2,
                       DifferenceList& list, bool includeReadOnly, const CompareOptions& options,
                       PairingNotes* notes, const ReadSizes& sizes) {
  if (notes != nullptr) *notes = PairingNotes{};
  CompareStructures(archive, structure1, structure2, list, includeReadOnly, options, sizes);
  if (notes != nullptr) NoteCutShort({archive}, *notes);
}

namespace {

void ArchivesByPosition(const std::string& archive1, const std::string& archive2,
                        DifferenceList& list, bool includeReadOnly, const CompareOptions& options,
                        PairingNotes* notes, const ReadSizes& sizes) {
  std::unique_ptr<TextStream> stream1;
  std::unique_ptr<TextStream> stream2;
  try {
    std::int16_t count = 0;
    ValueJudge judge(options.NumbersByValue, options.AppliedRules, options.CompareUnits);
    // Both are opened even when the first is missing, so each missing file
    // gets its own message.
    stream1 = OpenTextStream(archive1, kOpenForReading, sizes.buffer);
    stream2 = OpenTextStream(archive2, kOpenForReading, sizes.buffer);
    if (stream1 && stream2) {
      list.Clear();
      list.SetCaption("val1", "Archive 1");
      list.SetCaption("val2", "Archive 2");

      // The second archive is read and parsed a batch ahead on a core of its
      // own, the first here, between the pairings, so that two threads share
      // the two cores; messages and rows come in the order of the lines.
      // Lines come whole where they can, as two archives of one machine
      // mostly have the same lines: only the lines that differ are split.
      BatchReader reader1(std::move(stream1), sizes, nullptr, BatchReader::Reading::Whole,
                          BatchReader::Where::CallersThread);
      BatchReader reader2(std::move(stream2), sizes, nullptr, BatchReader::Reading::Whole);
      PairingNotes found;
      std::uint64_t pairs = 0;
      bool end1 = false;
      bool end2 = false;
      for (;;) {
        end1 = reader1.AtEnd();
        end2 = reader2.AtEnd();
        if (end1 || end2) break;

        // Runs of pairs of the same lines pass at once; the first archive's
        // lines are mostly not even split.
        if (const std::size_t same = BatchReader::PassSamePairs(reader1, reader2); same > 0) {
          pairs += same;
          continue;
        }
        ++pairs;

        // A "$" line comes with the fields of the archive's last parsed line
        // and an empty value.
        const BatchReader::Line& read1 = reader1.Next();
        if (const Failure* failure = reader1.ParseFailure(read1)) ReportParseFailure(*failure);
        const BatchReader::Line& read2 = reader2.Next();
        if (const Failure* failure = reader2.ParseFailure(read2)) ReportParseFailure(*failure);

        const BatchReader::Line line1 = reader1.Split(read1);
        const BatchReader::Line line2 = reader2.Split(read2);
        if (found.shiftLine == 0) NoteShift(line1, line2, pairs, found);

        if (!includeReadOnly && line1.ReadOnly()) continue;
        const ArchiveFields r1 = line1.Fields();
        const ArchiveFields r2 = line2.Fields();
        const bool sameUnits = r1.Units == r2.Units;
        if ((sameUnits && BatchReader::SameValueBytes(line1, line2)) ||
            judge.EqualWithUnits(r1.Value, r2.Value, sameUnits, [&](RuleLine& a, RuleLine& b) {
              LinesForRules(*options.AppliedRules, line1, line2, a, b);
            })) {
          continue;
        }

        list.Append(MakeRow(std::to_string(r1.ParamNumber) + "." + std::to_string(r1.SubIndex), r1,
                            SecondValue(judge, r2.Value, r1.Units, r2.Units)));
        count = CheckedAdd16(count, 1);
      }
      if (end1 != end2) {
        found.leftOverArchive = end1 ? 2 : 1;
        found.leftOverFrom = pairs + 1;
        found.leftOverComplete = CountRest(end1 ? reader2 : reader1, found.leftOver);
      }
      if (notes != nullptr) *notes = std::move(found);
    }
    TellOutcome(list, count, judge);
  } catch (...) {
    ReportVBError("Error While Comparing Archives");
  }
}

}  // namespace

void CompareStructures(const std::string& archive, std::int16_t structure1, std::int16_t structure2,
                       DifferenceList& list, bool includeReadOnly, const ReadSizes& sizes) {
  CompareStructures(archive, structure1, structure2, list, includeReadOnly, CompareOptions{},
                    sizes);
}

void CompareStructures(const std::string& archive, std::int16_t structure1, std::int16_t structure2,
                       DifferenceList& list, bool includeReadOnly, const CompareOptions& options,
                       const ReadSizes& sizes) {
  if (options.MatchByAddress) {
    CompareStructuresByAddress(archive, structure1, structure2, list, includeReadOnly,
                               options.NumbersByValue, sizes, options.AppliedRules,
                               options.CompareUnits);
    return;
  }
  std::unique_ptr<TextStream> stream;
  try {
    std::int16_t count = 0;
    ValueJudge judge(options.NumbersByValue, options.AppliedRules, options.CompareUnits);
    stream = OpenTextStream(archive, kOpenForReading, sizes.buffer);
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

      // One archive: read and parsed here, line by line, which is as fast as
      // any hand-over to a second core.
      ArchiveFields rec;
      while (!stream->AtEndOfStream()) {
        const std::string_view line = stream->ReadLine();
        if (!line.empty() && line.front() == '$') continue;
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
        // A pattern matches a member by its address in either structure; past
        // the last member of structure 2 there is only the one.
        const bool paired = i < t2.fill;
        const bool sameUnits = m1.Units == m2.Units;
        if ((sameUnits && m1.Value == m2.Value) ||
            judge.EqualWithUnits(m1.Value, m2.Value, sameUnits, [&](RuleLine& a, RuleLine& b) {
              const Rules& rules = *options.AppliedRules;
              if (paired) {
                RulePairOf(rules, m1.ParamNumber, m1.SubIndex, m1.Description, m2.ParamNumber,
                           m2.SubIndex, m2.Description, a, b);
              } else {
                a = b = RuleLineOf(rules, m1.ParamNumber, m1.SubIndex, m1.Description);
              }
            })) {
          continue;
        }
        list.Append(MakeRow(std::to_string(m1.SubIndex), m1,
                            SecondValue(judge, m2.Value, m1.Units, m2.Units)));
        count = CheckedAdd16(count, 1);
      }
      stream->Close();
    }
    TellOutcome(list, count, judge);
  } catch (...) {
    ReportVBError("Error While Comparing Structures");
  }
}

}  // namespace parvex
