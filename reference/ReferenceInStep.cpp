#include "reference/ReferenceInStep.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "engine/reading/TextStream.h"
#include "engine/values/Rules.h"
#include "reference/ArchiveReading.h"
#include "reference/CompareWithReference.h"

namespace parvex {

namespace {

using Line = BatchReader::Line;

// Room behind the reference's bytes: lines are compared sixteen bytes at a
// time, the last ones reading past their end.
constexpr std::size_t kRoom = 64;

std::string ReadAll(const std::string& path, const ReadSizes& sizes) {
  TextStream stream(path, TextStream::Mode::Read, sizes.buffer);
  const std::size_t chunk = std::max<std::size_t>(sizes.buffer, 1);
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(stream.Size()) + kRoom);
  for (;;) {
    const std::size_t at = bytes.size();
    bytes.resize(at + chunk);
    const std::size_t got = stream.ReadBytes(bytes.data() + at, chunk);
    bytes.resize(at + got);
    if (got == 0) return bytes;
  }
}

// Whether a line is an archive line (an address and three fields after it,
// as the reader counts them) that reads as line t of the table.
bool ReadsAsTable(std::string_view text, const AddressTable& table, std::uint32_t t) {
  if (std::count(text.begin(), text.end(), '\t') < 3 ||
      !IsNumericAddress(text.substr(0, text.find('\t')))) {
    return false;
  }
  ArchiveFields f;
  try {
    ParseArchiveLine(text, f);
  } catch (...) {
    return false;
  }
  return AddressTable::OrderedKey(f.ParamNumber, f.SubIndex) == table.Key(t) &&
         f.Value == table.Value(t) && f.ReadOnly == table.ReadOnly(t) &&
         (!table.KeepsUnits() || f.Units == table.Units(t));
}

// An archive's lines taken as they come, against the reference's.
class InStep {
 public:
  InStep(const ReferenceLines& lines, const AddressTable& table, const ReferenceRequest& request,
         Outcome& out)
      : lines_(lines),
        table_(table),
        out_(out),
        judge_(JudgeOf(request.options)),
        withReadOnly_(request.options.IncludeReadOnly),
        taken_(table.Size(), 0) {}

  std::size_t Pass(BatchReader& reader);
  // A "$" line of the archive goes with one of the reference, if at hand.
  void PassDollar() {
    if (at_ < lines_.Count() && lines_.TableIndex(at_) == kNoPartner) ++at_;
  }
  void Take(const Line& line);
  void Finish();
  // Whether a reference line was met again by a line of its bytes, which
  // then cannot pair with it: the table way must judge that archive.
  bool MetTwice() const { return metTwice_; }
  bool HeldArchiveLine() const { return heldArchiveLine_; }

 private:
  void Judge(std::uint32_t t, const Line& line);
  bool Alone(std::uint32_t key, const Line& line);

  const ReferenceLines& lines_;
  const AddressTable& table_;
  Outcome& out_;
  ValueJudge judge_;
  const bool withReadOnly_;
  std::vector<std::uint8_t> taken_;  // by table index: paired already
  std::size_t at_ = 0;               // the reference line the next line most likely is
  std::uint32_t line_ = 0;           // the archive's lines that are not "$" lines so far
  std::uint32_t lastPartner_ = kNoPartner;
  std::unordered_map<std::uint32_t, std::uint32_t> alone_;  // lines without partner, by key
  bool metTwice_ = false;
  bool heldArchiveLine_ = false;
};

// Passes over the next lines of the reader that are the same as the
// reference's from at_ on: as bytes not split yet, or as whole lines at hand.
std::size_t InStep::Pass(BatchReader& reader) {
  const std::size_t run = at_ < lines_.Count() ? lines_.RunFrom(at_) : 0;
  if (run == 0) return 0;
  const Line* expected = lines_.Lines() + at_;
  std::size_t n = reader.PassSameSpan(expected, run);
  if (n == 0) {
    std::size_t ahead = 0;
    const Line* read = reader.Ahead(ahead);
    const std::size_t most = std::min(ahead, run);
    while (n < most && BatchReader::SameWholeLines(read[n], expected[n])) ++n;
    reader.Skip(n);
  }
  if (n == 0) return 0;
  // A run has no "$" line, so its table indexes follow one another.
  std::uint8_t* const taken = taken_.data() + lines_.TableIndex(at_);
  metTwice_ = metTwice_ || std::memchr(taken, 1, n) != nullptr;
  std::memset(taken, 1, n);
  lastPartner_ = lines_.TableIndex(at_ + n - 1);
  at_ += n;
  line_ += static_cast<std::uint32_t>(n);
  heldArchiveLine_ = true;
  return n;
}

// A line that is no "$" line, split: paired with the reference's line of its
// address, the first of its address in the archive, or else alone.
void InStep::Take(const Line& line) {
  const std::uint32_t key = AddressTable::OrderedKey(line.Number(), line.Member());
  // Only lines with plain addresses and three fields after them have digits.
  if ((line.flags & Line::kDigits) != 0) heldArchiveLine_ = true;
  while (at_ < lines_.Count() && lines_.TableIndex(at_) == kNoPartner) ++at_;
  std::uint32_t t = at_ < lines_.Count() ? lines_.TableIndex(at_) : kNoPartner;
  if (t == kNoPartner || table_.Key(t) != key) t = lines_.Find(key);
  if (t != kNoPartner && taken_[t] == 0) {
    taken_[t] = 1;
    lastPartner_ = t;
    at_ = lines_.LineOf(t) + std::size_t{1};
    ++line_;
    Judge(t, line);
    return;
  }
  // Its occurrence: after the line that took the reference's, if any.
  const std::uint32_t occurrence = (t != kNoPartner ? 1 : 0) + alone_[key]++;
  const std::uint32_t j = line_++;
  if (Alone(key, line)) return;
  out_.extras.push_back({key, occurrence, lastPartner_, j, AddressTable::TextOfKey(key),
                         std::string(line.Value()), std::string(line.text, line.descriptionSize),
                         std::string(line.text + line.unitsAt, line.unitsSize)});
  ++out_.summary.extra;
}

// Whether a line without partner makes no row: read-only, or left out by
// the rules.
bool InStep::Alone(std::uint32_t key, const Line& line) {
  if (!withReadOnly_ && line.ReadOnly()) return true;
  if (!judge_.WithRules()) return false;
  const Rules& rules = *judge_.RulesInUse();
  const std::string_view description(line.text, line.descriptionSize);
  return judge_.LeavesOut(
      RuleLine{key, rules.HasDescriptions() ? rules.DescriptionMark(description) : Rules::kNoMark});
}

// As SamePairedValue judges a pair of table lines.
void InStep::Judge(std::uint32_t t, const Line& line) {
  if (!withReadOnly_ && table_.ReadOnly(t)) return;
  const std::string_view value = line.Value();
  const std::string_view units(line.text + line.unitsAt, line.unitsSize);
  const std::string_view reference = table_.Value(t);
  const auto pair = [&](RuleLine& x, RuleLine& y) {
    x = table_.ForRules(t);
    y = RuleLineOf(*judge_.RulesInUse(), line.Number(), line.Member(),
                   std::string_view(line.text, line.descriptionSize));
  };
  const bool sameUnits = !table_.KeepsUnits() || table_.Units(t) == units;
  if (sameUnits && reference == value) return;
  const bool same = judge_.JudgesUnits() ? judge_.EqualWithUnits(reference, value, sameUnits, pair)
                                         : judge_.EqualAfterBytes(reference, value, pair);
  if (same) return;
  std::optional<std::string> differing;
  if (!sameUnits) differing = std::string(units);
  out_.atReference.push_back({t, false, std::string(value), std::move(differing)});
  ++out_.summary.differ;
}

// The reference's lines that no line took are missing.
void InStep::Finish() {
  const std::uint8_t* const taken = taken_.data();
  const std::size_t size = taken_.size();
  for (std::size_t from = 0; from < size;) {
    // The lines not taken, found among the many taken ones a run at a time.
    const void* next = std::memchr(taken + from, 0, size - from);
    if (next == nullptr) break;
    const auto t = static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(next) - taken);
    from = t + std::size_t{1};
    if (!withReadOnly_ && table_.ReadOnly(t)) continue;
    if (LeftOutAlone(table_, t, judge_)) continue;
    out_.atReference.push_back({t, true, {}, {}});
    ++out_.summary.missing;
  }
  std::sort(out_.atReference.begin(), out_.atReference.end(),
            [](const AtReference& x, const AtReference& y) { return x.line < y.line; });
  out_.summary.ignored = judge_.Counts().ignored;
  out_.summary.tolerated = judge_.Counts().tolerated;
}

}  // namespace

std::unique_ptr<ReferenceLines> ReferenceLines::Read(const std::string& path,
                                                     const ReadSizes& sizes,
                                                     const AddressTable& table) {
  auto ref = std::make_unique<ReferenceLines>();
  // An address twice is told by the table alone, before any reading.
  ref->byKey_.resize(table.Size());
  for (std::uint32_t t = 0; t < table.Size(); ++t) {
    ref->byKey_[t] = (std::uint64_t{table.Key(t)} << 32) | t;
  }
  std::sort(ref->byKey_.begin(), ref->byKey_.end());
  for (std::size_t k = 1; k < ref->byKey_.size(); ++k) {
    if ((ref->byKey_[k - 1] >> 32) == (ref->byKey_[k] >> 32)) return nullptr;
  }
  ref->bytes_ = ReadAll(path, sizes);
  const std::size_t size = ref->bytes_.size();
  ref->bytes_.append(kRoom, '\0');
  const char* const data = ref->bytes_.data();
  std::uint32_t next = 0;  // table index
  for (std::size_t start = 0; start < size;) {
    const void* lf = std::memchr(data + start, '\n', size - start);
    std::size_t end =
        lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : size;
    const std::size_t after = lf != nullptr ? end + 1 : size;
    if (lf != nullptr && end > start && data[end - 1] == '\r') --end;
    Line line;
    line.text = data + start;
    line.descriptionSize = static_cast<std::uint32_t>(end - start);
    if (end > start && data[start] == '$') {
      line.flags = Line::kDollar;
      ref->tableIndex_.push_back(kNoPartner);
    } else {
      const std::string_view text(data + start, end - start);
      if (next >= table.Size() || !ReadsAsTable(text, table, next)) return nullptr;
      // A last line without line end is split when met, never passed whole.
      line.flags = lf != nullptr ? Line::kWhole : 0;
      ref->tableIndex_.push_back(next);
      ref->lineOf_.push_back(static_cast<std::uint32_t>(ref->lines_.size()));
      ++next;
    }
    ref->lines_.push_back(line);
    start = after;
  }
  if (next != table.Size() || ref->lines_.size() >= kNoPartner) return nullptr;
  ref->runEnd_.resize(ref->lines_.size());
  auto end = static_cast<std::uint32_t>(ref->lines_.size());
  for (std::size_t n = ref->lines_.size(); n-- > 0;) {
    if (ref->lines_[n].flags != Line::kWhole) end = static_cast<std::uint32_t>(n);
    ref->runEnd_[n] = end;
  }
  return ref;
}

std::uint32_t ReferenceLines::Find(std::uint32_t key) const {
  const std::uint64_t from = std::uint64_t{key} << 32;
  const auto at = std::lower_bound(byKey_.begin(), byKey_.end(), from);
  if (at == byKey_.end() || (*at >> 32) != key) return kNoPartner;
  return static_cast<std::uint32_t>(*at);
}

bool CompareWhileReading(const ReferenceLines& lines, const AddressTable& table,
                         const ReferenceRequest& request, const std::string& path, Outcome& out) {
  try {
    BatchReader reader(
        std::make_unique<TextStream>(path, TextStream::Mode::Read, request.sizes.buffer),
        request.sizes, nullptr, BatchReader::Reading::Whole, BatchReader::Where::CallersThread);
    InStep step(lines, table, request, out);
    std::uint64_t count = 0;
    while (!reader.AtEnd()) {
      if (const std::size_t n = step.Pass(reader); n > 0) {
        count += n;
        continue;
      }
      const Line& read = reader.Next();
      ++count;
      if (reader.ParseFailure(read) != nullptr) return false;
      if (read.Dollar()) {
        step.PassDollar();
        continue;
      }
      step.Take(reader.Split(read));
    }
    if (step.MetTwice() || reader.HeldNul() ||
        !(step.HeldArchiveLine() || reader.HeldArchiveLines())) {
      return false;
    }
    step.Finish();
    out.summary.lines = count;
    if (reader.EndedInLine()) {
      const std::string& name = out.summary.name.empty() ? path : out.summary.name;
      out.summary.notes.push_back(CutShortNote(name, count));
    }
  } catch (...) {
    return false;  // read again through tables, which tell what failed
  }
  out.summary.readable = true;
  return true;
}

}  // namespace parvex
