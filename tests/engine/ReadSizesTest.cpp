// The comparisons give the same rows, captions, messages and status whatever
// the read buffer and batch sizes, on archives that put every kind of line at
// every position relative to where a buffer or a batch ends.

#include <type_traits>

#include "engine/reading/Archive.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

int Pick(std::mt19937& random, int n) {
  return static_cast<int>(random() % static_cast<unsigned>(n));
}

// Lines of every kind the reader must cope with, drawn at random (seeded, so
// a failure can be repeated); or, when valid, only lines that split cleanly,
// as one machine's archive holds.
std::vector<std::string> GenerateLines(std::mt19937& random, int lines, bool valid = false) {
  const auto pick = [&random](int n) { return Pick(random, n); };
  // The first six addresses split without a message.
  const char* const addresses[] = {"1",   "2.1", "2.7",   "3",       "3.05",  "-1",
                                   "12.", ".5",  "99999", "-327680", " 2.2 ", "P12"};
  const char* const values[] = {"1500", "1500 ", "abc", "ABC", "", "\xb5\xff", "0"};
  std::vector<std::string> result;
  for (int i = 0; i < lines; ++i) {
    std::string line;
    int kind = pick(30);
    if (valid && kind >= 3 && kind <= 5) kind = 7;
    switch (kind) {
      case 0:
      case 1:
      case 2:
        line = pick(2) ? "$" : "$ section " + std::to_string(i);
        break;
      case 3:
      case 4:
      case 5:
        line = pick(3) == 0 ? "" : pick(2) ? "short line" : "1\tonly\ttwo tabs";
        break;
      case 6:  // longer than the small buffers and the 4096-byte one
        line = "2." + std::to_string(pick(9)) + "\tlong " + std::string(4100 + pick(300), 'x') +
               "\t" + values[pick(7)] + "\tu";
        break;
      default:
        line = std::string(addresses[pick(valid ? 6 : 12)]) + "\t" + (pick(4) == 0 ? "!" : "") +
               "d" + std::to_string(i) + "\t" + values[pick(7)] + "\tunit" +
               std::to_string(pick(3)) + (pick(8) == 0 ? "\textra" : "");
    }
    result.push_back(line);
  }
  return result;
}

// The archive of those lines, each ended by LF or CR LF; now and then no
// terminator after the last line, or a CR alone at its end.
std::string Join(std::mt19937& random, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + (Pick(random, 3) == 0 ? "\r\n" : "\n");
  if (!text.empty()) {
    if (const int end = Pick(random, 4); end == 0) {
      text.pop_back();
      if (text.back() == '\r') text.pop_back();
    } else if (end == 1) {
      text.back() = '\r';
    }
  }
  return text;
}

struct Outcome {
  std::vector<DifferenceRow> rows;
  std::string caption1;
  std::string caption2;
  std::string status;
  std::vector<ShownMessage> messages;
  PairingNotes notes;
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
  *os << o.caption1 << " / " << o.caption2 << ", " << o.status << "\n";
  for (const auto& row : o.rows) {
    *os << "  " << row.Text << " | " << row.SubItems[0] << " | " << row.SubItems[1] << " | "
        << row.SubItems[2] << " | " << row.SubItems[3] << (row.Locked ? " (lock)" : "") << "\n";
  }
  for (const auto& m : o.messages) *os << "  message: " << m.caption << ": " << m.prompt << "\n";
  for (const auto& note : PairingNoteTexts(o.notes)) *os << "  note: " << note << "\n";
}

template <typename Compare>
Outcome Observe(Compare&& compare) {
  RecordedErrors errors;
  DifferenceList list;
  PairingNotes notes;
  if constexpr (std::is_invocable_v<Compare, DifferenceList&, PairingNotes&>) {
    compare(list, notes);
  } else {
    compare(list);
  }
  // A file cut short is noted from its last byte, whatever the read sizes.
  notes.cutShort.clear();
  return Outcome{list.Rows(),   list.Column(2).Caption, list.Column(3).Caption,
                 list.Status(), errors.Shown(),         notes};
}

// The comparison by position in its plainest form, line by line, for the
// fast readers to agree with: a "$" line takes the fields of its archive's
// last other line and an empty value. The notes too: lines left in the longer
// archive, and the first pair of two parsed lines with different addresses.
void CompareLineByLine(const std::string& a, const std::string& b, DifferenceList& list,
                       bool includeReadOnly, PairingNotes& notes) {
  TextStream stream1(a, TextStream::Mode::Read);
  TextStream stream2(b, TextStream::Mode::Read);
  list.SetCaption("val1", "Archive 1");
  list.SetCaption("val2", "Archive 2");
  ArchiveRecord last1;
  ArchiveRecord last2;
  const auto next = [](std::string_view line, ArchiveRecord& last) {
    if (!line.empty() && line.front() == '$') {
      ArchiveRecord copy = last;
      copy.Value.clear();
      return copy;
    }
    last = SplitArchiveLine(line);
    return last;
  };
  const auto parsed = [](std::string_view line) {
    if (!line.empty() && line.front() == '$') return false;
    try {
      ArchiveFields fields;
      ParseArchiveLine(line, fields);
      return true;
    } catch (...) {
      return false;
    }
  };
  int count = 0;
  std::uint64_t pairs = 0;
  while (!stream1.AtEndOfStream() && !stream2.AtEndOfStream()) {
    ++pairs;
    const std::string line1(stream1.ReadLine());
    const std::string line2(stream2.ReadLine());
    const ArchiveRecord r1 = next(line1, last1);
    const ArchiveRecord r2 = next(line2, last2);
    if (notes.shiftLine == 0 && parsed(line1) && parsed(line2) &&
        (r1.ParamNumber != r2.ParamNumber || r1.SubIndex != r2.SubIndex)) {
      notes.shiftLine = pairs;
      notes.address1 = std::to_string(r1.ParamNumber) + "." + std::to_string(r1.SubIndex);
      notes.address2 = std::to_string(r2.ParamNumber) + "." + std::to_string(r2.SubIndex);
    }
    if ((!includeReadOnly && r1.ReadOnly) || r1.Value == r2.Value) continue;
    list.Append(Row(std::to_string(r1.ParamNumber) + "." + std::to_string(r1.SubIndex),
                    r1.Description, r1.Value, r2.Value, r1.Units, r1.ReadOnly));
    ++count;
  }
  for (const int archive : {1, 2}) {
    TextStream& longer = archive == 1 ? stream1 : stream2;
    if (longer.AtEndOfStream()) continue;
    notes.leftOverArchive = archive;
    notes.leftOverFrom = pairs + 1;
    for (; !longer.AtEndOfStream(); longer.ReadLine()) ++notes.leftOver;
  }
  list.SetStatus(std::to_string(count) + " Difference(s)");
}

// A line of one machine's archive as a second version has it: its value
// changed, or written as another number of the same value, or its read-only
// mark taken away or added.
void Change(std::mt19937& random, std::string& line) {
  const std::size_t tab = line.find('\t', line.find('\t') + 1);
  if (tab == std::string::npos || line[0] == '$') return;
  switch (Pick(random, 8)) {
    case 0:
    case 1:
      line.insert(tab + 1, "9");
      break;
    case 2:
      if (line.compare(tab + 1, 5, "1500\t") == 0) line.replace(tab + 1, 4, "1.5E3");
      break;
    case 3: {
      const std::size_t description = line.find('\t') + 1;
      if (line[description] == '!') {
        line.erase(description, 1);
      } else {
        line.insert(description, "!");
      }
      break;
    }
    default:
      break;
  }
}

// Kinds of pairs: 0, mostly the same lines, some changed; 1, unrelated
// archives; 2 to 5, two versions of one machine's archive, every line
// splitting cleanly, some values changed, and then "$" lines added at the end
// of the second (3) or the first (4), or one address changed deep in the file
// (5). Matching by address reads 2 to 4 in step to the end. Empty files, and
// pairs of unequal lengths, come up too.
std::pair<std::vector<std::string>, std::vector<std::string>> MakePair(std::mt19937& random,
                                                                       int pair) {
  const int kind = pair % 6;
  const bool sameMachine = kind >= 2;
  const int lines1 = pair == 0 ? 0 : 1 + static_cast<int>(random() % 120);
  const int lines2 = pair == 7 ? 0 : 1 + static_cast<int>(random() % 120);
  std::vector<std::string> first = GenerateLines(random, lines1, sameMachine);
  std::vector<std::string> other = GenerateLines(random, lines2);
  if (kind == 0) {
    for (std::size_t k = 0; k < other.size() && k < first.size(); ++k) {
      if (Pick(random, 4) != 0) other[k] = first[k];
    }
  } else if (sameMachine) {
    other = first;
    for (std::string& line : other) Change(random, line);
    if (kind == 3) other.insert(other.end(), 1 + Pick(random, 3), "$ end");
    if (kind == 5)
      other[other.size() / 2 + Pick(random, static_cast<int>(other.size() + 1) / 2)] =
          "77.7\tnew\tv\tu";
  }
  if (kind == 4) first.insert(first.end(), 1 + Pick(random, 3), "$");
  return {first, other};
}

// What the generated pairs gave, to tell that they are rich enough.
struct Seen {
  std::size_t rows = 0;
  std::size_t messages = 0;
  int leftOver = 0;
  int shifted = 0;
  int inStepToTheEnd = 0;
  void Add(const Outcome& archives, const Outcome& structures) {
    rows += archives.rows.size() + structures.rows.size();
    leftOver += archives.notes.leftOver > 0 ? 1 : 0;
    shifted += archives.notes.shiftLine > 0 ? 1 : 0;
    messages += archives.messages.size() + structures.messages.size();
  }
};

// The comparisons of one pair, each kind of pair meeting both values of
// each option. Matching by address reads through the same readers, passing
// over runs of lines at a time.
struct PairComparisons {
  PairComparisons(std::string first, std::string second, int pair)
      : a(std::move(first)),
        b(std::move(second)),
        includeReadOnly((pair + pair / 6) % 2 == 1),
        s1(static_cast<std::int16_t>(pair % 3 + 1)),
        s2(static_cast<std::int16_t>(pair % 4 == 0 ? -1 : 2)),
        byAddress{true, pair / 6 % 2 == 0} {}

  Outcome Archives(const ReadSizes& size, const CompareOptions& options = {}) const {
    return Observe([&](DifferenceList& list, PairingNotes& notes) {
      CompareArchives(a, b, list, ReadOnly(includeReadOnly, options), &notes, size);
    });
  }
  Outcome ByAddress(const ReadSizes& size) const { return Archives(size, byAddress); }
  Outcome Structures(const ReadSizes& size) const {
    return Observe([&](DifferenceList& list) {
      CompareStructures(a, s1, s2, list, ReadOnly(includeReadOnly), nullptr, size);
    });
  }
  // Matching by address pairs archives of the same addresses line by line as
  // they are read, and puts others in tables.
  Outcome InTables() const {
    return Observe([&](DifferenceList& list) {
      CompareArchivesInTables(a, b, list, ReadOnly(includeReadOnly, byAddress));
    });
  }
  Outcome LineByLine() const {
    return Observe([&](DifferenceList& list, PairingNotes& notes) {
      CompareLineByLine(a, b, list, includeReadOnly, notes);
    });
  }
  bool InStep(std::vector<DifferenceRow>& rows) const {
    ValueJudge judge(byAddress.NumbersByValue, nullptr);
    return CompareInStep(std::make_unique<TextStream>(a, TextStream::Mode::Read),
                         std::make_unique<TextStream>(b, TextStream::Mode::Read),
                         ReadOnly(includeReadOnly, byAddress), judge, ReadSizes{}, rows);
  }

  std::string a;
  std::string b;
  bool includeReadOnly;
  std::int16_t s1;
  std::int16_t s2;
  CompareOptions byAddress;
};

TEST(ReadSizes, ResultsDoNotDependOnThem) {
  TempDir dir;
  std::mt19937 random(20261207);
  const std::vector<ReadSizes> sizes = {{1, 1},    {2, 2},       {3, 1},
                                        {5, 3},    {8, 4096},    {64, 7},
                                        {4096, 2}, {4096, 4096}, {ReadSizes{}.buffer, 1}};
  Seen seen;
  constexpr int kPairs = 24;
  for (int pair = 0; pair < kPairs; ++pair) {
    SCOPED_TRACE("pair " + std::to_string(pair));
    const auto [first, other] = MakePair(random, pair);
    const PairComparisons c(dir.Write("a" + std::to_string(pair), Join(random, first)),
                            dir.Write("b" + std::to_string(pair), Join(random, other)), pair);
    const Outcome archives = c.Archives(ReadSizes{});
    const Outcome structures = c.Structures(ReadSizes{});
    const Outcome byAddress = c.ByAddress(ReadSizes{});
    ASSERT_EQ(archives, c.LineByLine());
    ASSERT_EQ(byAddress, c.InTables());
    std::vector<DifferenceRow> inStepRows;
    if (c.InStep(inStepRows)) {
      ++seen.inStepToTheEnd;
      EXPECT_EQ(inStepRows, byAddress.rows);
    }
    seen.Add(archives, structures);
    for (const ReadSizes& size : sizes) {
      SCOPED_TRACE("buffer " + std::to_string(size.buffer) + ", batch " +
                   std::to_string(size.batch));
      ASSERT_EQ(c.Archives(size), archives);
      ASSERT_EQ(c.Structures(size), structures);
      ASSERT_EQ(c.ByAddress(size), byAddress);
    }
  }
  // The archives are rich enough to say something.
  EXPECT_GT(seen.rows, 100U);
  EXPECT_GT(seen.messages, 20U);
  EXPECT_GT(seen.leftOver, 10);
  EXPECT_GE(seen.shifted, 5);
  // Matching by address read in step to the end often enough to be held
  // against reading into tables, not only gave up and read tables twice.
  EXPECT_GE(2 * seen.inStepToTheEnd, kPairs);
}

// A parameter line of archive 1 ending exactly where a read of the default
// size ends, followed by a "$" line: the row of the "$" line must carry that
// parameter line's fields, not bytes read later.
TEST(ReadSizes, DollarLineAfterALineEndingAtTheBufferEnd) {
  RecordedErrors errors;
  TempDir dir;
  const std::string kept = "7.7\tMYDESCRIPTION\tsame\tMYUNITS\n";
  const std::size_t buffer = ReadSizes{}.buffer;
  std::string a = "1\t" +
                  std::string(buffer - kept.size() - std::string("1\t\tsame\tu\n").size(), 'f') +
                  "\tsame\tu\n" + kept + "$ comment\n";
  ASSERT_EQ(a.size(), buffer + std::string("$ comment\n").size());
  for (int k = 0; k < 12000; ++k) {
    a += "2." + std::to_string(k % 30000) + "\tafter" + std::to_string(k) + "\tsame\tu\n";
  }
  const auto b = dir.Write("b", "1\tx\tsame\tu\n7.7\tx\tsame\tu\n9.9\tother\tNONEMPTY\tz\n");
  DifferenceList list;
  CompareArchives(dir.Write("a", a), b, list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Row(0), Row("7.7", "MYDESCRIPTION", "", "NONEMPTY", "MYUNITS"));
  EXPECT_TRUE(errors.Shown().empty());
}

}  // namespace
}  // namespace parvex
