#include "engine/list/DifferenceList.h"

#include <iterator>

#include "engine/base/Failure.h"

namespace parvex {

namespace {

constexpr std::size_t kMostRows = 32768;

}  // namespace

DifferenceList::DifferenceList()
    : columns_{{{"", "Address"},
                {"", "Description"},
                {"val1", "Value 1"},
                {"val2", "Value 2"},
                {"", "Units"}}},
      status_(DifferenceStatus(0)) {}

void DifferenceList::Clear() {
  if (rows_.capacity() < kMostRows) {
    // Room for the most rows a comparison lists (its count is 16-bit), taken
    // from the system but not touched until used, so that rows never move as
    // they come. Made before anything changes, as it may fail.
    std::vector<DifferenceRow> room;
    room.reserve(kMostRows);
    rows_.swap(room);
  } else {
    rows_.clear();
  }
  rules_.reset();
  failure_.reset();
  if (observer_ != nullptr) observer_->ListCleared();
}

void DifferenceList::SetCaption(std::string_view key, std::string caption) {
  for (int i = 0; i < kColumnCount; ++i) {
    auto& column = columns_[static_cast<std::size_t>(i)];
    if (!key.empty() && column.Key == key) {
      column.Caption = std::move(caption);
      if (observer_ != nullptr) observer_->CaptionChanged(i);
      return;
    }
  }
  throw SubscriptFailure();
}

void DifferenceList::Append(DifferenceRow row) {
  rows_.push_back(std::move(row));
  if (observer_ != nullptr) observer_->RowAppended(Count() - 1);
}

void DifferenceList::Append(std::vector<DifferenceRow> rows) {
  const int first = Count();
  if (rows_.empty()) {
    rows_ = std::move(rows);
  } else {
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()),
                 std::make_move_iterator(rows.end()));
  }
  if (observer_ != nullptr) {
    for (int row = first; row < Count(); ++row) observer_->RowAppended(row);
  }
}

void DifferenceList::SetStatus(std::string text) {
  status_ = std::move(text);
  if (observer_ != nullptr) observer_->StatusChanged();
}

std::string DifferenceStatus(long long count) {
  return std::to_string(count) + " Difference(s)";
}

std::string ComparisonStatus(long long count, const std::optional<RulesOutcome>& rules) {
  std::string status = DifferenceStatus(count);
  if (rules) {
    status += ", " + std::to_string(rules->ignored) + " ignored, " +
              std::to_string(rules->tolerated) + " within tolerance";
  }
  return status;
}

std::string ReportedStatus(const DifferenceList& list) {
  if (!list.Failed()) return list.Status();
  return "Comparison failed: " + list.Failed()->title + ": " + list.Failed()->text +
         "; the list is incomplete";
}

}  // namespace parvex
