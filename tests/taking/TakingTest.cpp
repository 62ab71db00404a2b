// Taking values, held over generated pairs to what the comparison by address
// says afterwards, to the bytes of the target, and to the same taking through
// a change set written as JSON and read back.

#include <optional>

#include "engine/taking/ChangeSet.h"
#include "engine/taking/Rewrite.h"
#include "engine/taking/Sha256.h"
#include "reports/layouts/ChangeSetJson.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

template <typename T, std::size_t N>
const T& Pick(std::mt19937& r, const T (&from)[N]) {
  return from[std::uniform_int_distribution<std::size_t>(0, N - 1)(r)];
}
bool Chance(std::mt19937& r, int percent) {
  return std::uniform_int_distribution<int>(0, 99)(r) < percent;
}

const char* const kValues[] = {"1500", "1500.0", "2.5", "3", "-5", "abc", "", "1 5", "15e2"};
const char* const kUnits[] = {"", "mm", "rpm",
                              "\xC2\xB0"
                              "C",
                              "\xB0"
                              "C"};
const char* const kDescriptions[] = {"Max speed",
                                     "!Max speed",
                                     "Serial no",
                                     "In-position window",
                                     "\xDC"
                                     "bersetzung",
                                     "\xC3\x9C"
                                     "bersetzung",
                                     "!Gear"};
// Lines that do not split: too few fields, an address that is no number or
// out of range, an empty line; and "$" lines.
const char* const kOdd[] = {"garbage",      "abc\tx\t1\tmm",  "",          "99999.1\td\t1\tmm",
                            "2.\td\t1\tmm", "1.1\tonly\ttwo", "$ section", "$"};

// A parameter line of a small address space, so that addresses repeat.
std::string Line(std::mt19937& r) {
  std::string line = std::to_string(std::uniform_int_distribution<int>(1, 3)(r)) + "." +
                     std::to_string(std::uniform_int_distribution<int>(1, 5)(r)) + "\t" +
                     Pick(r, kDescriptions) + "\t" + Pick(r, kValues) + "\t" + Pick(r, kUnits);
  if (Chance(r, 10)) line += "\textra\tfields";
  return line;
}

// The target: the source's lines with values, units and marks changed, some
// dropped, others added; in step, none dropped or added but "$" lines.
std::vector<std::string> Target(std::mt19937& r, const std::vector<std::string>& source,
                                bool inStep) {
  std::vector<std::string> target;
  for (const std::string& line : source) {
    if (!inStep && Chance(r, 10)) continue;
    if (inStep && Chance(r, 5)) target.push_back("$ inserted");
    if (!inStep && Chance(r, 10)) target.push_back(Chance(r, 50) ? Line(r) : Pick(r, kOdd));
    std::string changed = line;
    const std::size_t tab = changed.find('\t');
    const std::size_t tab2 = changed.find('\t', tab + 1);
    if (tab2 != std::string::npos && Chance(r, 40)) {
      changed = changed.substr(0, tab2 + 1) + Pick(r, kValues) + "\t" + Pick(r, kUnits);
    }
    if (tab2 != std::string::npos && Chance(r, 15)) {
      changed.insert(tab + 1, "!");
    }
    target.push_back(changed);
  }
  return target;
}

std::string Join(std::mt19937& r, const std::vector<std::string>& lines) {
  const int ends = std::uniform_int_distribution<int>(0, 2)(r);  // LF, CR LF, mixed
  std::string text;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    text += lines[k];
    if (k + 1 == lines.size() && Chance(r, 30)) break;  // no line end at the end
    text += ends == 0 || (ends == 2 && Chance(r, 50)) ? "\n" : "\r\n";
  }
  return text;
}

struct Generated {
  std::string target;
  std::string source;
};

// One round in three in step: the same addresses in the same order.
Generated Generate(std::mt19937& r, bool inStep) {
  std::vector<std::string> source;
  const int size = std::uniform_int_distribution<int>(0, 24)(r);
  for (int k = 0; k < size; ++k) {
    source.push_back(!Chance(r, 10) ? Line(r) : inStep ? std::string("$") : Pick(r, kOdd));
  }
  return {Join(r, Target(r, source, inStep)), Join(r, source)};
}

struct Split {
  std::string text;
  std::string end;
};
std::vector<Split> Lines(const std::string& bytes) {
  std::vector<Split> lines;
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t lf = bytes.find('\n', at);
    if (lf == std::string::npos) {
      lines.push_back({bytes.substr(at), ""});
      break;
    }
    const std::size_t cut = lf > at && bytes[lf - 1] == '\r' ? lf - 1 : lf;
    lines.push_back({bytes.substr(at, cut - at), bytes.substr(cut, lf + 1 - cut)});
    at = lf + 1;
  }
  return lines;
}

std::size_t Tab(const std::string& text, int n) {
  std::size_t at = std::string::npos;
  for (int k = 0; k < n; ++k) at = text.find('\t', at + 1);
  return at;
}

// Walks the new file against the target: every target line is there in its
// order, byte for byte, or with only its value and units fields changed (a
// line that splits, not read-only unless allowed); every other new line is a
// line of the source. Returns (changed, added).
std::pair<std::size_t, std::size_t> Align(const std::string& target, const std::string& source,
                                          const std::string& made, bool readOnly) {
  const std::vector<Split> t = Lines(target);
  const std::vector<Split> n = Lines(made);
  const std::string sourceBytes = "\n" + source + "\n";
  std::size_t i = 0;
  std::size_t changed = 0;
  std::size_t added = 0;
  for (const Split& line : n) {
    const bool last = i + 1 == t.size() && t[i].end.empty();  // may have gained a line end
    if (i < t.size() && line.text == t[i].text && (line.end == t[i].end || last)) {
      ++i;
      continue;
    }
    const std::size_t tab2 = Tab(line.text, 2);
    if (i < t.size() && (line.end == t[i].end || last) && tab2 != std::string::npos &&
        LineSplits(t[i].text) && line.text.substr(0, tab2) == t[i].text.substr(0, tab2) &&
        (Tab(line.text, 4) == std::string::npos
             ? Tab(t[i].text, 4) == std::string::npos
             : line.text.substr(Tab(line.text, 4)) == t[i].text.substr(Tab(t[i].text, 4)))) {
      EXPECT_TRUE(readOnly || t[i].text[t[i].text.find('\t') + 1] != '!') << t[i].text;
      ++changed;
      ++i;
      continue;
    }
    EXPECT_TRUE(LineSplits(line.text) &&
                (sourceBytes.find("\n" + line.text + "\n") != std::string::npos ||
                 sourceBytes.find("\n" + line.text + "\r\n") != std::string::npos))
        << "not a line of the target or the source: " << line.text;
    ++added;
  }
  EXPECT_EQ(i, t.size());
  return {changed, added};
}

// The new archive in memory: the writer's fsync for every round would cost
// more than the rounds themselves.
class StringSink final : public RewriteSink {
 public:
  void Same(std::string_view bytes) override { text.append(bytes); }
  void Changed(std::string_view line, std::string_view end, std::size_t) override {
    text.append(line).append(end);
  }
  void Added(std::string_view line, std::string_view end, std::size_t) override {
    text.append(line).append(end);
  }
  std::string text;
};

std::string Written(const std::string& targetPath, const TakePlan& plan, const ReadSizes& sizes) {
  StringSink sink;
  RewriteTarget(targetPath, plan, sizes, sink);
  return sink.text;
}

// Through tables of both archives.
std::string Take(const std::string& targetPath, const std::string& sourcePath,
                 const TakeSettings& s, TakePlan& plan) {
  TakeSide target;
  TakeSide source;
  ReadSides(target, targetPath, source, sourcePath, s);
  plan = PlanTaking(target, source, s);
  ReadAddedLines(sourcePath, s.sizes, plan);
  return Written(targetPath, plan, s.sizes);
}

// Through a change set written as JSON and read back.
std::string ViaChangeSet(const std::string& targetPath, const std::string& sourcePath,
                         const TakeSettings& s, std::vector<StaleLine>& stale,
                         const std::string& appliedTo) {
  ChangeSet set =
      MakeChangeSet(targetPath, sourcePath, PlanTakingFiles(targetPath, sourcePath, s), s);
  const ChangeSet read = ParseChangeSet(ChangeSetText(set, "now"), "set.json");
  EXPECT_EQ(read.lines, set.lines);
  EXPECT_EQ(read.added, set.added);
  TakeSide other;
  TakeSettings plain;
  plain.sizes = s.sizes;
  other.Read(appliedTo, plain);
  return Written(appliedTo, PlanChangeSet(other, read, stale), s.sizes);
}

// Whether a row left by the comparison of the new file with the source is
// one that taking leaves: a line of one side alone, or a line that does not
// split (whose address then reads as structure -1 or member 0). The source's
// lines not added are counted.
bool RowLeft(const DifferenceRow& row, std::uint64_t& notAdded) {
  const std::string& address = row.Text;
  if (address.rfind("-1.", 0) == 0 || address.substr(address.size() - 2) == ".0") return true;
  if (row.SubItems[1] == "(missing)") ++notAdded;
  return row.SubItems[2] == "(missing)" || row.SubItems[1] == "(missing)";
}

// The comparison of the new file with the source finds only what taking
// leaves.
void ExpectOnlyRowsLeft(const std::string& made, const std::string& source, CompareOptions options,
                        const TakeCounts& counts) {
  DifferenceList list;
  options.CompareUnits = true;
  CompareArchivesByAddress(made, source, list, options);
  std::uint64_t notAdded = 0;
  for (const DifferenceRow& row : list.Rows()) {
    EXPECT_TRUE(RowLeft(row, notAdded))
        << row.Text << " " << row.SubItems[1] << " / " << row.SubItems[2];
  }
  EXPECT_LE(notAdded, counts.sourceOnly);
}

// One value of a line that a change set changes, made different again.
std::string WithOneValueChanged(const std::string& target, const ChangeSet::Line& line) {
  std::vector<Split> lines = Lines(target);
  std::uint32_t seen = 0;
  for (Split& l : lines) {
    if (!LineSplits(l.text) || l.text.substr(0, l.text.find('\t')) != line.address) continue;
    if (++seen != line.occurrence) continue;
    l.text.insert(Tab(l.text, 2) + 1, "7");
  }
  std::string text;
  for (const Split& l : lines) text += l.text + l.end;
  return text;
}

TEST(Taking, GeneratedPairsLeaveOnlyWhatTakingMustLeave) {
  test::RecordedErrors errors;
  TempDir dir;
  const auto rules = Rules::Parse(
      "[ignore]\ndescriptions = [\"Serial*\"]\n[[tolerance]]\naddresses = [\"3.*\"]\n"
      "absolute = \"1\"\n",
      "r.toml");
  std::mt19937 r(33);
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const bool inStep = round % 3 == 0;
    const Generated g = Generate(r, inStep);
    // Files are never written over: on a file system that discards freed
    // blocks, truncating costs more than a round.
    const std::string n = std::to_string(round);
    const std::string target = dir.Write("t" + n, g.target);
    const std::string source = dir.Write("s" + n, g.source);
    TakeSettings s;
    s.options.IncludeReadOnly = Chance(r, 30);
    s.addMissing = Chance(r, 50);
    s.options.NumbersByValue = Chance(r, 30);
    s.options.AppliedRules = Chance(r, 50) ? rules : nullptr;
    TakePlan plan;
    const std::string made = Take(target, source, s, plan);
    dir.Write("new" + n, made);
    const auto [changed, added] = Align(g.target, g.source, made, s.options.IncludeReadOnly);
    EXPECT_EQ(changed, plan.counts.taken);
    EXPECT_EQ(added, plan.counts.added);

    ExpectOnlyRowsLeft(dir.File("new" + n), source, s.options, plan.counts);

    TakeSettings tiny = s;
    tiny.sizes = ReadSizes{std::uniform_int_distribution<std::size_t>(1, 9)(r), 2};
    TakePlan again;
    EXPECT_EQ(Take(target, source, tiny, again), made);
    // In step, both archives read once together, with the same outcome.
    const std::optional<TakePlan> stepped = PlanInStep(target, source, tiny);
    EXPECT_TRUE(stepped || !inStep);
    if (stepped) {
      EXPECT_EQ(Written(target, *stepped, tiny.sizes), made);
      EXPECT_EQ(TakeSummary(stepped->counts), TakeSummary(plan.counts));
    }

    std::vector<StaleLine> stale;
    EXPECT_EQ(ViaChangeSet(target, source, tiny, stale, target), made);
    EXPECT_TRUE(stale.empty());
    if (plan.changes.empty()) continue;
    // A target changed since: one old value differs, and that line is named.
    ChangeSet set;
    FillChangeSet(target, plan, s, set);
    const ChangeSet::Line& victim = set.lines[set.lines.size() / 2];
    const std::string other = dir.Write("other" + n, WithOneValueChanged(g.target, victim));
    ViaChangeSet(target, source, s, stale, other);
    ASSERT_EQ(stale.size(), 1U);
    EXPECT_EQ(stale[0].address, victim.address);
    EXPECT_EQ(stale[0].expected, victim.oldValue + " [" + victim.oldUnits + "]");
  }
}

TEST(Taking, ChosenLinesAndSha256) {
  TempDir dir;
  const std::string target = dir.Write("t.arc", "1.1\tSerial no\t5\t\n2.1\tMax\t1\tmm\n");
  const std::string source = dir.Write("s.arc", "1.1\tSerial no\t6\t\n2.1\tMax\t2\tmm\n");
  const auto rules = Rules::Parse("[ignore]\naddresses = [\"1.*\"]\n", "r.toml");
  struct Case {
    const char* only;
    const char* description;
    const char* expected;
  };
  for (const Case& c : {Case{"", "", "1.1\tSerial no\t5\t\n2.1\tMax\t2\tmm\n"},
                        Case{"1.*", "", "1.1\tSerial no\t6\t\n2.1\tMax\t1\tmm\n"},
                        Case{"", "max", "1.1\tSerial no\t5\t\n2.1\tMax\t2\tmm\n"},
                        Case{"3.1, 1.1", "M*", "1.1\tSerial no\t6\t\n2.1\tMax\t2\tmm\n"}}) {
    TakeSettings s;
    s.options.AppliedRules = rules;
    s.choice.AddAddresses(c.only);
    s.choice.AddDescriptions(c.description);
    TakePlan plan;
    EXPECT_EQ(Take(target, source, s, plan), c.expected) << c.only;
  }
  EXPECT_THROW(TakeChoice().AddAddresses("1.5-2.3"), Failure);

  Sha256 empty;
  EXPECT_EQ(empty.Hex(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  Sha256 pieces;  // two blocks, fed across their bounds
  const std::string text = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  for (std::size_t at = 0; at < text.size(); at += 5) pieces.Add(text.substr(at, 5));
  EXPECT_EQ(pieces.Hex(), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(BackupName("a/press-07.arc", 0).size(), std::string("a/press-07.arc.").size() + 19);
}

}  // namespace
}  // namespace parvex
