#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/base/BigArray.h"
#include "engine/base/Bytes.h"
#include "engine/reading/BatchReader.h"
#include "engine/values/Rules.h"

namespace parvex {

class Messages;
class TextStream;
struct ArchiveFields;

// The lines of one side of a comparison by address, kept small enough for
// archives of millions of lines: per line only its address, value and
// read-only mark. Descriptions and units are read again, later, for the few
// lines that become rows.
class AddressTable {
 public:
  // Without a structure number every parameter line belongs to the table;
  // with one, only that structure's members, keyed by member number alone.
  explicit AddressTable(std::optional<std::int16_t> structure = std::nullopt)
      : structure_(structure) {}

  // Rules whose description patterns are to be matched as lines are added,
  // as descriptions are not kept.
  void SetRules(const Rules* rules) {
    if (rules != nullptr && rules->HasDescriptions()) rules_ = rules;
  }
  // Line i as the rules see it.
  RuleLine ForRules(std::size_t i) const {
    const std::uint32_t key =
        structure_
            ? AddressKey(*structure_, static_cast<std::int16_t>((keys_[i] & 0xFFFFU) ^ 0x8000U))
            : keys_[i];
    return RuleLine{key, marks_.empty() ? Rules::kNoMark : marks_[i]};
  }

  // Units kept too, for comparisons that judge them.
  void KeepUnits() { keepUnits_ = true; }
  bool KeepsUnits() const { return keepUnits_; }
  // Line i's units; empty when they are not kept. They lie behind its value
  // and a tab, which no value holds, so that a value and its units are
  // compared as one run of bytes.
  std::string_view Units(std::size_t i) const {
    if (!keepUnits_) return {};
    const std::string_view entry = Entry(i);
    return entry.substr(entry.find('\t') + 1);
  }

  bool Belongs(const ArchiveFields& fields) const;
  void Add(const ArchiveFields& fields);
  // Room for this many lines and bytes of values, so that a table whose size
  // is known roughly does not copy itself as it grows.
  void Reserve(std::size_t lines, std::size_t valueBytes);
  // The parameter lines of a reader's batch ("$" lines are passed over),
  // line k starting in the file at fileAt + starts[k], so that their texts
  // can be read again from there alone. Runs for every line of both
  // archives, so it writes straight into room made for the whole batch.
  void AddLines(const BatchReader::Line* lines, const std::uint32_t* starts, std::size_t count,
                std::uint64_t fileAt);

  std::size_t Size() const { return keys_.size(); }
  // Whether the other table has the same addresses in the same order.
  bool SameAddresses(const AddressTable& other) const {
    return keys_.size() == other.keys_.size() &&
           (keys_.empty() ||
            std::memcmp(keys_.data(), other.keys_.data(), keys_.size() * sizeof keys_[0]) == 0);
  }
  // The address as one number that sorts like (structure, member).
  std::uint32_t Key(std::size_t i) const { return keys_[i]; }
  std::string_view Value(std::size_t i) const {
    const std::string_view entry = Entry(i);
    return keepUnits_ ? entry.substr(0, entry.find('\t')) : entry;
  }
  // Whether line i has the same value as line j of other, byte for byte; a
  // short value is tested sixteen bytes at once, the values having room
  // behind them.
  bool SameValue(std::size_t i, const AddressTable& other, std::size_t j) const {
    const std::string_view a = Value(i);
    const std::string_view b = other.Value(j);
    if (a.size() != b.size()) return false;
    return SameBytesWithRoom(a.data(), b.data(), a.size());
  }
  // The same for the value and the units together, of tables that keep units.
  bool SameValueAndUnits(std::size_t i, const AddressTable& other, std::size_t j) const {
    const std::string_view a = Entry(i);
    const std::string_view b = other.Entry(j);
    if (a.size() != b.size()) return false;
    return SameBytesWithRoom(a.data(), b.data(), a.size());
  }
  bool ReadOnly(std::size_t i) const { return (valueEnds_[i] & kReadOnlyBit) != 0; }
  // The address as a row shows it: "N.M", or the member number alone.
  std::string AddressText(std::size_t i) const;
  bool ForStructure() const { return structure_.has_value(); }
  // Where line i starts in its file, when the table was given it.
  bool KnowsPlaces() const { return !places_.empty(); }
  std::uint64_t Place(std::size_t i) const { return places_[i]; }

  // The address of a key as a row shows it: "N.M".
  static std::string TextOfKey(std::uint32_t key);
  // The key of an address.
  static std::uint32_t OrderedKey(std::int16_t structure, std::int16_t member) {
    return AddressKey(structure, member);
  }

 private:
  static constexpr std::uint32_t kReadOnlyBit = 0x80000000U;
  static constexpr std::size_t kSlack = 16;

  std::optional<std::int16_t> structure_;
  BigVector<std::uint32_t> keys_;
  BigVector<std::uint32_t>
      valueEnds_;  // where each value ends in values_; the top bit marks read-only
  BigVector<std::uint64_t> places_;
  const Rules* rules_ = nullptr;  // set only when descriptions are matched
  BigVector<std::uint16_t> marks_;
  bool keepUnits_ = false;
  // The values one after another, each followed by its units where they are
  // kept, in memory that only grows.
  struct Bytes {
    char* data = nullptr;
    std::size_t capacity = 0;
    Bytes() = default;
    Bytes(const Bytes&) = delete;
    Bytes& operator=(const Bytes&) = delete;
    // Moved whole, so that a table can be handed on.
    Bytes(Bytes&& other) noexcept
        : data(std::exchange(other.data, nullptr)), capacity(std::exchange(other.capacity, 0)) {}
    Bytes& operator=(Bytes&& other) noexcept {
      std::swap(data, other.data);
      std::swap(capacity, other.capacity);
      return *this;
    }
    ~Bytes() {
      if (data != nullptr) FreeBig(data, capacity + kSlack);
    }
  };
  Bytes values_;
  std::size_t valuesSize_ = 0;

  void GrowValues(std::size_t more);
  // Line i's value, and a tab and its units where they are kept.
  std::string_view Entry(std::size_t i) const {
    const std::uint32_t begin = i == 0 ? 0 : valueEnds_[i - 1] & ~kReadOnlyBit;
    return std::string_view(values_.data + begin, (valueEnds_[i] & ~kReadOnlyBit) - begin);
  }
  void AddMarks(const BatchReader::Line* lines, std::size_t count, std::size_t n);
  template <bool kUnits>
  std::size_t AddEntries(const BatchReader::Line* lines, const std::uint32_t* starts,
                         std::size_t count, std::uint64_t fileAt, std::size_t n);
  void Append(std::uint32_t key, std::string_view value, bool readOnly,
              std::string_view description, std::string_view units) {
    const std::size_t size = value.size() + (keepUnits_ ? 1 + units.size() : 0);
    // Indexes and value offsets are 32-bit, with one index kept as "none".
    if (valuesSize_ + size >= kReadOnlyBit || keys_.size() >= 0xFFFFFFFEU) throw std::bad_alloc();
    if (values_.capacity - valuesSize_ < size) GrowValues(size);
    if (rules_ != nullptr) marks_.push_back(rules_->DescriptionMark(description));
    keys_.push_back(key);
    char* const to = values_.data + valuesSize_;
    if (!value.empty()) std::memcpy(to, value.data(), value.size());
    if (keepUnits_) {
      to[value.size()] = '\t';
      if (!units.empty()) std::memcpy(to + value.size() + 1, units.data(), units.size());
    }
    valuesSize_ += size;
    valueEnds_.push_back(static_cast<std::uint32_t>(valuesSize_) | (readOnly ? kReadOnlyBit : 0U));
  }
};

// Fills a table from an archive's batches on their reader's thread.
class TableFiller final : public BatchReader::Sink {
 public:
  TableFiller(AddressTable& table, std::uint64_t fileBytes)
      : table_(table), fileBytes_(fileBytes) {}
  void Take(const BatchReader::Line* lines, const std::uint32_t* starts, std::size_t count,
            std::uint64_t fileAt, std::size_t& taken) override;

 private:
  void Expect(const BatchReader::Line* lines, const std::uint32_t* starts, std::size_t count);
  AddressTable& table_;
  const std::uint64_t fileBytes_;
  bool first_ = true;
};

// Reads every line of the stream once: "$" lines are skipped, the others are
// parsed (a line that fails to split is told to messages) and added to each
// table they belong to.
void ReadTables(TextStream& stream, AddressTable& first, AddressTable& second, Messages& messages);

// The description and units of some lines of one table, read again from its
// file: indexes ascending, texts in the same order.
struct TextRequest {
  const AddressTable* table = nullptr;
  std::vector<std::uint32_t> indexes;
  struct Texts {
    std::string Description;
    std::string Units;
  };
  std::vector<Texts> texts;
};

// Fills the requests (all on the same file) in one pass that stops after the
// last line asked for.
void FetchTexts(TextStream& stream, std::vector<TextRequest*> requests);

// The same for a table that knows where its lines start: only those lines are
// read. A line that is no longer there as the table read it gets empty texts.
void FetchTextsAt(TextStream& stream, TextRequest& request);

}  // namespace parvex
