#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace parvex {

// One difference: the address as shown, four sub-items (description, value 1,
// value 2, units) and the read-only mark shown as the "lock" icon.
struct DifferenceRow {
  std::string Text;
  std::array<std::string, 4> SubItems;
  bool Locked = false;

  const std::string& Description() const { return SubItems[0]; }
  const std::string& Value1() const { return SubItems[1]; }
  const std::string& Value2() const { return SubItems[2]; }
  const std::string& Units() const { return SubItems[3]; }
  friend bool operator==(const DifferenceRow&, const DifferenceRow&) = default;
};

struct DifferenceColumn {
  std::string Key;
  std::string Caption;
};

// Told of every change, so a view can render the list without a copy.
class DifferenceListObserver {
 public:
  virtual ~DifferenceListObserver() = default;
  virtual void ListCleared() = 0;
  virtual void CaptionChanged(int column) = 0;
  virtual void RowAppended(int row) = 0;
  virtual void StatusChanged() = 0;
};

inline constexpr const char* kLockIcon = "lock";

// What a rules file removed from a comparison: the file as given, and how
// many rows it ignored and found within tolerance.
struct RulesOutcome {
  std::string path;
  std::uint64_t ignored = 0;
  std::uint64_t tolerated = 0;
};

// The failure that ended a comparison part-way: the title it was told under
// and its message ("Error 6: Overflow").
struct ListFailure {
  std::string title;
  std::string text;
};

// The result table of a comparison: five keyed columns, rows in the order they
// were found, and the status text.
class DifferenceList {
 public:
  static constexpr int kColumnCount = 5;

  DifferenceList();

  void SetObserver(DifferenceListObserver* observer) { observer_ = observer; }

  void Clear();
  // Sets the caption of the column with the given key; an unknown key is a
  // subscript failure.
  void SetCaption(std::string_view key, std::string caption);
  void Append(DifferenceRow row);
  // Adds rows made at once, in their order; the observer is told of each.
  void Append(std::vector<DifferenceRow> rows);
  void SetStatus(std::string text);
  // Set with the status when a comparison ends: what its rules removed, or
  // nothing without rules; cleared with the list.
  void SetRulesOutcome(std::optional<RulesOutcome> outcome) { rules_ = std::move(outcome); }
  // Set when the comparison that filled the list failed part-way, to the
  // message it was told with: the rows are those found until then, and the
  // status still reads as before it started. Cleared with the list.
  void SetFailure(ListFailure failure) { failure_ = std::move(failure); }

  int Count() const { return static_cast<int>(rows_.size()); }
  const DifferenceRow& Row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
  const std::vector<DifferenceRow>& Rows() const { return rows_; }
  const DifferenceColumn& Column(int index) const {
    return columns_[static_cast<std::size_t>(index)];
  }
  const std::string& Status() const { return status_; }
  const std::optional<RulesOutcome>& Rules() const { return rules_; }
  const std::optional<ListFailure>& Failed() const { return failure_; }

 private:
  std::array<DifferenceColumn, kColumnCount> columns_;
  std::vector<DifferenceRow> rows_;
  std::string status_;
  std::optional<RulesOutcome> rules_;
  std::optional<ListFailure> failure_;
  DifferenceListObserver* observer_ = nullptr;
};

// "N Difference(s)".
std::string DifferenceStatus(long long count);
// The status a comparison ends with: "N Difference(s)", and with rules
// "N Difference(s), I ignored, T within tolerance".
std::string ComparisonStatus(long long count, const std::optional<RulesOutcome>& rules);
// The status a whole report of the list gives (the web page and JSON
// layouts): the list's own, or for a list whose comparison failed part-way,
// that failure and that the list is incomplete.
std::string ReportedStatus(const DifferenceList& list);

}  // namespace parvex
