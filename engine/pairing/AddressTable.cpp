#include "engine/pairing/AddressTable.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/reading/Archive.h"
#include "engine/reading/TextStream.h"

namespace parvex {

namespace {

std::int16_t FromKeyHalf(std::uint32_t half) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(half ^ 0x8000U));
}

bool IsDollarLine(std::string_view line) {
  return !line.empty() && line.front() == '$';
}

// Failures were told on the first reading; a second reading parses quietly.
void ParseQuietly(std::string_view line, ArchiveFields& fields) {
  try {
    ParseArchiveLine(line, fields);
  } catch (...) {
    // the fields hold what was read before the failure, as the first time
  }
}

}  // namespace

bool AddressTable::Belongs(const ArchiveFields& fields) const {
  return !structure_ || fields.ParamNumber == *structure_;
}

void AddressTable::Add(const ArchiveFields& fields) {
  Append(OrderedKey(structure_ ? 0 : fields.ParamNumber, fields.SubIndex), fields.Value,
         fields.ReadOnly, fields.Description, fields.Units);
}

void AddressTable::GrowValues(std::size_t more) {
  const std::size_t capacity = std::max(valuesSize_ + more, 2 * values_.capacity + 4096);
  // With room behind the last value for reads sixteen bytes at a time.
  auto* bigger = static_cast<char*>(AllocateBig(capacity + kSlack));
  if (valuesSize_ > 0) std::memcpy(bigger, values_.data, valuesSize_);
  if (values_.data != nullptr) FreeBig(values_.data, values_.capacity + kSlack);
  values_.data = bigger;
  values_.capacity = capacity;
}

void AddressTable::Reserve(std::size_t lines, std::size_t valueBytes) {
  keys_.reserve(lines);
  valueEnds_.reserve(lines);
  places_.reserve(lines);
  if (valueBytes > values_.capacity) GrowValues(valueBytes - valuesSize_);
}

namespace {

// Copies size bytes; both sides have room behind them, so that up to sixteen
// are copied at once.
inline void CopyWithRoom(char* to, const char* from, std::size_t size) {
  if (size > 16) {
    std::memcpy(to, from, size);
  } else if (size > 0) {
    std::memcpy(to, from, 16);
  }
}

}  // namespace

void AddressTable::AddLines(const BatchReader::Line* lines, const std::uint32_t* starts,
                            std::size_t count, std::uint64_t fileAt) {
  std::size_t valueBytes = 0;
  for (std::size_t k = 0; k < count; ++k) valueBytes += lines[k].valueSize;
  if (keepUnits_) {
    for (std::size_t k = 0; k < count; ++k) valueBytes += 1 + lines[k].unitsSize;
  }
  const std::size_t n = keys_.size();
  // Indexes and value offsets are 32-bit, with one index kept as "none".
  if (valuesSize_ + valueBytes >= kReadOnlyBit || n + count >= 0xFFFFFFFEU) throw std::bad_alloc();
  if (values_.capacity - valuesSize_ < valueBytes) GrowValues(valueBytes);
  keys_.resize(n + count);
  valueEnds_.resize(n + count);
  places_.resize(n + count);
  const std::size_t added = keepUnits_ ? AddEntries<true>(lines, starts, count, fileAt, n)
                                       : AddEntries<false>(lines, starts, count, fileAt, n);
  keys_.resize(n + added);
  valueEnds_.resize(n + added);
  places_.resize(n + added);
  if (rules_ != nullptr) AddMarks(lines, count, n);
}

// The lines' entries from index n on, in room made for them; returns how many.
template <bool kUnits>
std::size_t AddressTable::AddEntries(const BatchReader::Line* lines, const std::uint32_t* starts,
                                     std::size_t count, std::uint64_t fileAt, std::size_t n) {
  // Written through pointers of its own, which the copies of values cannot
  // be taken to change.
  std::uint32_t* const keys = keys_.data() + n;
  std::uint32_t* const ends = valueEnds_.data() + n;
  std::uint64_t* const places = places_.data() + n;
  char* const values = values_.data;
  std::size_t end = valuesSize_;
  std::size_t added = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const BatchReader::Line& line = lines[k];
    if (line.Dollar()) continue;
    // Both the batch's bytes and the values have room behind them.
    const char* const value = line.text + line.descriptionSize + 1;
    if constexpr (kUnits) {
      // The value, a tab and the units, in one copy where the line has them so.
      const std::size_t size = line.valueSize + 1 + line.unitsSize;
      if (line.unitsAt == line.descriptionSize + line.valueSize + 2) {
        CopyWithRoom(values + end, value, size);
      } else {
        CopyWithRoom(values + end, value, line.valueSize);
        values[end + line.valueSize] = '\t';
        CopyWithRoom(values + end + line.valueSize + 1, line.text + line.unitsAt, line.unitsSize);
      }
      end += size;
    } else {
      CopyWithRoom(values + end, value, line.valueSize);
      end += line.valueSize;
    }
    keys[added] = OrderedKey(line.Number(), line.Member());
    ends[added] = static_cast<std::uint32_t>(end) | (line.ReadOnly() ? kReadOnlyBit : 0U);
    places[added] = fileAt + starts[k];
    ++added;
  }
  valuesSize_ = end;
  return added;
}

// Last, so that a failure here can take back the batch's lines whole, and a
// reader that tries them again one by one adds each once.
void AddressTable::AddMarks(const BatchReader::Line* lines, std::size_t count, std::size_t n) {
  const std::size_t valuesBefore = n == 0 ? 0 : valueEnds_[n - 1] & ~kReadOnlyBit;
  try {
    marks_.resize(n);
    for (std::size_t k = 0; k < count; ++k) {
      const BatchReader::Line& line = lines[k];
      if (line.Dollar()) continue;
      marks_.push_back(rules_->DescriptionMark(std::string_view(line.text, line.descriptionSize)));
    }
  } catch (...) {
    keys_.resize(n);
    valueEnds_.resize(n);
    places_.resize(n);
    marks_.resize(n);
    valuesSize_ = valuesBefore;
    throw;
  }
}

std::string AddressTable::AddressText(std::size_t i) const {
  if (structure_) return std::to_string(FromKeyHalf(keys_[i] & 0xFFFFU));
  return TextOfKey(keys_[i]);
}

std::string AddressTable::TextOfKey(std::uint32_t key) {
  return std::to_string(FromKeyHalf(key >> 16)) + "." + std::to_string(FromKeyHalf(key & 0xFFFFU));
}

void TableFiller::Take(const BatchReader::Line* lines, const std::uint32_t* starts,
                       std::size_t count, std::uint64_t fileAt, std::size_t& taken) {
  taken = 0;
  if (first_ && count > 1) Expect(lines, starts, count);
  first_ = false;
  try {
    table_.AddLines(lines, starts, count, fileAt);
    taken = count;
    return;
  } catch (const std::bad_alloc&) {
    // No room for the whole batch: line by line, so that the failure is
    // handed over after the line that met it.
  }
  for (; taken < count; ++taken) table_.AddLines(lines + taken, starts + taken, 1, fileAt);
}

// Sizes the table from the first batch, as if the whole file were like it,
// but never for more than a line in every 32 bytes and values of a quarter of
// the file: a first batch unlike the rest then costs some copying as the
// table grows, not memory.
void TableFiller::Expect(const BatchReader::Line* lines, const std::uint32_t* starts,
                         std::size_t count) {
  const double span = static_cast<double>(starts[count - 1] - starts[0]) + 1.0;
  double valueBytes = 0;
  for (std::size_t k = 0; k + 1 < count; ++k) valueBytes += lines[k].valueSize;
  const double scale = 1.05 * static_cast<double>(fileBytes_) / span;
  const double file = std::min(static_cast<double>(fileBytes_), 0x1p34);
  table_.Reserve(
      static_cast<std::size_t>(std::min(file / 32, scale * static_cast<double>(count - 1))),
      static_cast<std::size_t>(std::min(file / 4, scale * valueBytes)));
}

void ReadTables(TextStream& stream, AddressTable& first, AddressTable& second, Messages& messages) {
  ArchiveFields fields;
  while (!stream.AtEndOfStream()) {
    const std::string_view text = stream.ReadLine();
    if (IsDollarLine(text)) continue;
    try {
      ParseArchiveLine(text, fields);
    } catch (...) {
      messages.Tell(kSplitLineTitle, CurrentFailure());
    }
    if (first.Belongs(fields)) first.Add(fields);
    if (second.Belongs(fields)) second.Add(fields);
  }
}

void FetchTexts(TextStream& stream, std::vector<TextRequest*> requests) {
  std::vector<std::uint32_t> members(requests.size(), 0);  // members of each table seen so far
  std::size_t pending = 0;
  for (TextRequest* r : requests) pending += r->indexes.size();
  ArchiveFields fields;
  while (pending > 0 && !stream.AtEndOfStream()) {
    const std::string_view text = stream.ReadLine();
    if (IsDollarLine(text)) continue;
    // Every parameter line is a member of an archive's table, so such a table
    // needs only the lines asked for parsed; a structure's needs every line.
    bool parsed = false;
    for (std::size_t k = 0; k < requests.size(); ++k) {
      TextRequest& r = *requests[k];
      if (r.table->ForStructure()) {
        if (!parsed) ParseQuietly(text, fields);
        parsed = true;
        if (!r.table->Belongs(fields)) continue;
      }
      const std::uint32_t member = members[k]++;
      if (r.texts.size() == r.indexes.size() || r.indexes[r.texts.size()] != member) continue;
      if (!parsed) ParseQuietly(text, fields);
      parsed = true;
      r.texts.push_back({std::string(fields.Description), std::string(fields.Units)});
      --pending;
    }
  }
  // A file that shrank since the first reading leaves the rest without texts.
  for (TextRequest* r : requests) r->texts.resize(r->indexes.size());
}

namespace {

// Whether a line still starts at this place of the file: at its start, or
// right after an LF.
bool LineStartsAt(TextStream& stream, std::uint64_t at) {
  stream.SkipTo(at == 0 ? 0 : at - 1);
  if (at == 0) return true;
  if (stream.AtEndOfStream()) return false;
  return stream.ReadLine().empty() && stream.Place() == at;
}

}  // namespace

void FetchTextsAt(TextStream& stream, TextRequest& r) {
  const AddressTable& table = *r.table;
  ArchiveFields fields;
  for (const std::uint32_t i : r.indexes) {
    if (!LineStartsAt(stream, table.Place(i)) || stream.AtEndOfStream()) {
      r.texts.emplace_back();  // the file changed since
      continue;
    }
    const std::string_view text = stream.ReadLine();
    ParseQuietly(text, fields);
    if (IsDollarLine(text) || fields.Value != table.Value(i) ||
        AddressTable::OrderedKey(fields.ParamNumber, fields.SubIndex) != table.Key(i)) {
      r.texts.emplace_back();
    } else {
      r.texts.push_back({std::string(fields.Description), std::string(fields.Units)});
    }
  }
}

}  // namespace parvex
