#include "engine/pairing/Compare.h"

#include <memory>
#include <vector>

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/list/DifferenceList.h"
#include "engine/pairing/CompareByAddress.h"
#include "engine/pairing/PairFrame.h"
#include "engine/pairing/Pairing.h"
#include "engine/reading/Archive.h"
#include "engine/reading/BatchReader.h"
#include "engine/reading/TextStream.h"
#include "engine/values/Rules.h"

namespace parvex {

namespace {

using Line = BatchReader::Line;

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

std::string AddressText(const Line& line) {
  return std::to_string(line.Number()) + "." + std::to_string(line.Member());
}

// The first pair of lines with different addresses. "$" lines carry the
// address of an earlier line and failed lines none, so they tell nothing.
void NoteShift(const Line& line1, const Line& line2, std::uint64_t pair, PairingNotes& notes) {
  constexpr std::uint8_t kNoAddress = Line::kDollar | Line::kFailed;
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

// The next line of a reader, its failure to split told first. A "$" line
// comes with the fields of the archive's last parsed line and an empty value.
Line NextSplit(BatchReader& reader) {
  const Line& read = reader.Next();
  if (const Failure* failure = reader.ParseFailure(read)) {
    RunReporter().Tell(kSplitLineTitle, *failure);
  }
  return reader.Split(read);
}

// Pairs the n-th line of one reader with the n-th of the other up to the end
// of the shorter archive, adding a row for each pair that differs, and notes
// the first shift of addresses and the lines left over. Returns the rows'
// count.
std::int16_t PairByPosition(BatchReader& reader1, BatchReader& reader2, DifferenceList& list,
                            bool includeReadOnly, ValueJudge& judge, PairingNotes& found) {
  std::int16_t count = 0;
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
    const Line line1 = NextSplit(reader1);
    const Line line2 = NextSplit(reader2);
    if (found.shiftLine == 0) NoteShift(line1, line2, pairs, found);
    if ((!includeReadOnly && line1.ReadOnly()) || SameLines(line1, line2, judge)) continue;
    list.Append(RowOfLines(line1, line2, judge));
    count = CheckedAdd16(count, 1);
  }
  if (end1 != end2) {
    found.leftOverArchive = end1 ? 2 : 1;
    found.leftOverFrom = pairs + 1;
    found.leftOverComplete = CountRest(end1 ? reader2 : reader1, found.leftOver);
  }
  return count;
}

void ArchivesByPosition(const std::string& archive1, const std::string& archive2,
                        DifferenceList& list, const CompareOptions& options, PairingNotes* notes,
                        const ReadSizes& sizes) {
  ValueJudge judge = JudgeOf(options);
  RunPair(ArchivesFrame(archive1, archive2), list, sizes, judge, [&](Streams& streams) {
    // The second archive is read and parsed a batch ahead on a core of its
    // own, the first here, between the pairings, so that two threads share
    // the two cores; messages and rows come in the order of the lines.
    // Lines come whole where they can, as two archives of one machine
    // mostly have the same lines: only the lines that differ are split.
    BatchReader reader1(std::move(streams[0]), sizes, nullptr, BatchReader::Reading::Whole,
                        BatchReader::Where::CallersThread);
    BatchReader reader2(std::move(streams[1]), sizes, nullptr, BatchReader::Reading::Whole);
    PairingNotes found;
    const std::int16_t count =
        PairByPosition(reader1, reader2, list, options.IncludeReadOnly, judge, found);
    if (notes != nullptr) *notes = std::move(found);
    return count;
  });
}

// The members of one structure: members in slots 0..F-1, the end mark
// (ParamNumber -1) in slot F.
struct MemberTable {
  std::vector<ArchiveRecord> slots;
  std::int16_t fill = 0;

  std::int16_t LastSlot() const { return static_cast<std::int16_t>(slots.size() - 1); }
};

// The members of both structures. Both tables always have the same last
// slot; when one fills up, both grow.
class Members {
 public:
  Members() {
    first.slots.resize(101);
    second.slots.resize(101);
    first.slots[0].ParamNumber = -1;
    second.slots[0].ParamNumber = -1;
  }

  void Store(MemberTable& table, const ArchiveFields& f) {
    table.slots[static_cast<std::size_t>(table.fill)] =
        ArchiveRecord{f.ParamNumber,        f.SubIndex,           std::string(f.Description),
                      std::string(f.Value), std::string(f.Units), f.ReadOnly};
    table.fill = CheckedAdd16(table.fill, 1);
    if (table.fill > table.LastSlot()) {
      const auto size = static_cast<std::size_t>(nextSize_) + 1;
      first.slots.resize(size);
      second.slots.resize(size);
      nextSize_ = CheckedAdd16(nextSize_, 100);
    }
    table.slots[static_cast<std::size_t>(table.fill)].ParamNumber = -1;
  }

  MemberTable first;
  MemberTable second;

 private:
  std::int16_t nextSize_ = 200;
};

// One archive: read and parsed here, line by line, which is as fast as any
// hand-over to a second core.
void ReadMembers(TextStream& stream, std::int16_t structure1, std::int16_t structure2,
                 Members& members) {
  ArchiveFields rec;
  while (!stream.AtEndOfStream()) {
    const std::string_view line = stream.ReadLine();
    if (!line.empty() && line.front() == '$') continue;
    try {
      ParseArchiveLine(line, rec);
    } catch (...) {
      RunReporter().Tell(kSplitLineTitle, CurrentFailure());
    }
    if (rec.ParamNumber == structure1) members.Store(members.first, rec);
    if (rec.ParamNumber == structure2) members.Store(members.second, rec);
  }
}

// Whether member i of structure 1 equals its partner, which past the last
// member of structure 2 is the end mark. A pattern matches a member by its
// address in either structure, and past that last member by its own alone.
bool SameMembers(const Members& members, std::int16_t i, ValueJudge& judge) {
  const ArchiveRecord& m1 = members.first.slots[static_cast<std::size_t>(i)];
  const ArchiveRecord& m2 = members.second.slots[static_cast<std::size_t>(i)];
  const bool paired = i < members.second.fill;
  const bool sameUnits = m1.Units == m2.Units;
  if (sameUnits && m1.Value == m2.Value) return true;
  return judge.EqualWithUnits(m1.Value, m2.Value, sameUnits, [&](RuleLine& a, RuleLine& b) {
    const Rules& rules = *judge.RulesInUse();
    if (paired) {
      RulePairOf(rules, m1.ParamNumber, m1.SubIndex, m1.Description, m2.ParamNumber, m2.SubIndex,
                 m2.Description, a, b);
    } else {
      a = b = RuleLineOf(rules, m1.ParamNumber, m1.SubIndex, m1.Description);
    }
  });
}

// Pairs the k-th member of structure 1 with the k-th of structure 2 and adds
// a row for each that differs. Returns the rows' count.
std::int16_t ListMembers(const Members& members, DifferenceList& list, bool includeReadOnly,
                         ValueJudge& judge) {
  std::int16_t count = 0;
  const std::int16_t last = members.first.LastSlot();
  for (std::int16_t i = 0; i <= last; i = CheckedAdd16(i, 1)) {
    const ArchiveRecord& m1 = members.first.slots[static_cast<std::size_t>(i)];
    const ArchiveRecord& m2 = members.second.slots[static_cast<std::size_t>(i)];
    if (m1.ParamNumber < 0) break;
    if ((!includeReadOnly && m1.ReadOnly) || SameMembers(members, i, judge)) continue;
    list.Append(DifferenceRow{
        std::to_string(m1.SubIndex),
        {m1.Description, m1.Value, SecondValue(judge, m2.Value, m1.Units, m2.Units), m1.Units},
        m1.ReadOnly});
    count = CheckedAdd16(count, 1);
  }
  return count;
}

void StructuresByPosition(const std::string& archive, std::int16_t structure1,
                          std::int16_t structure2, DifferenceList& list,
                          const CompareOptions& options, const ReadSizes& sizes) {
  ValueJudge judge = JudgeOf(options);
  RunPair(StructuresFrame(archive), list, sizes, judge, [&](Streams& streams) {
    Members members;
    ReadMembers(*streams[0], structure1, structure2, members);
    const std::int16_t count = ListMembers(members, list, options.IncludeReadOnly, judge);
    streams[0]->Close();
    return count;
  });
}

}  // namespace

void CompareArchives(const std::string& archive1, const std::string& archive2, DifferenceList& list,
                     const CompareOptions& options, PairingNotes* notes, const ReadSizes& sizes) {
  if (notes != nullptr) *notes = PairingNotes{};
  if (options.MatchByAddress) {
    CompareArchivesByAddress(archive1, archive2, list, options, sizes);
  } else {
    ArchivesByPosition(archive1, archive2, list, options, notes, sizes);
  }
  if (notes != nullptr) NoteCutShort({archive1, archive2}, *notes);
}

void CompareStructures(const std::string& archive, std::int16_t structure1, std::int16_t structure2,
                       DifferenceList& list, const CompareOptions& options, PairingNotes* notes,
                       const ReadSizes& sizes) {
  if (notes != nullptr) *notes = PairingNotes{};
  if (options.MatchByAddress) {
    CompareStructuresByAddress(archive, structure1, structure2, list, options, sizes);
  } else {
    StructuresByPosition(archive, structure1, structure2, list, options, sizes);
  }
  if (notes != nullptr) NoteCutShort({archive}, *notes);
}

}  // namespace parvex
