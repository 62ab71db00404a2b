// Reading a rules file: TOML through toml++, then every key checked, so that a
// mistyped name is refused rather than silently matching nothing.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <queue>
#include <string>

#include "engine/base/Failure.h"
#include "engine/base/Path.h"
#include "engine/values/NumericEquality.h"
#include "engine/values/Rules.h"

// Header-only, from the folder of toml++'s headers alone, so that a cross
// build takes nothing else of the host's headers.
#include <toml.h>

namespace parvex {

namespace {

// The number the run time gives a file it cannot make sense of.
constexpr std::int32_t kErrFileFormat = 321;

struct Range {
  std::uint32_t first;
  std::uint32_t last;
  std::uint16_t label;
};

[[noreturn]] void Refuse(const std::string& name, const toml::source_region& at,
                         const std::string& what) {
  throw Failure(kErrFileFormat, "Rules file '" + name + "', line " + std::to_string(at.begin.line) +
                                    ", column " + std::to_string(at.begin.column) + ": " + what);
}

// A whole number of an address: an optional minus sign and digits, within
// -32768..32767. Moves p past it.
bool ReadNumber(std::string_view text, std::size_t& p, std::int16_t& number) {
  const std::size_t start = p;
  bool negative = false;
  if (p < text.size() && text[p] == '-') {
    negative = true;
    ++p;
  }
  long long value = 0;
  const std::size_t digits = p;
  while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
    if (value <= 32768) value = value * 10 + (text[p] - '0');
    ++p;
  }
  if (p == digits) {
    p = start;
    return false;
  }
  if (negative) value = -value;
  if (value < -32768 || value > 32767) return false;
  number = static_cast<std::int16_t>(value);
  return true;
}

// "N.M", "N" (member 0), "N.*", "N.M-N.K" within one structure, or "*", as a
// range of address keys; false when the text is none of these.
bool ReadAddressPattern(std::string_view text, std::uint32_t& first, std::uint32_t& last,
                        std::string& why) {
  why = "not an address pattern (N.M, N, N.*, N.M-N.K or *)";
  if (text == "*") {
    first = 0;
    last = 0xFFFFFFFFU;
    return true;
  }
  std::size_t p = 0;
  std::int16_t structure = 0;
  std::int16_t member = 0;
  if (!ReadNumber(text, p, structure)) return false;
  if (p < text.size() && text[p] == '.') {
    ++p;
    if (text.substr(p) == "*") {
      first = AddressKey(structure, -32768);
      last = AddressKey(structure, 32767);
      return true;
    }
    if (!ReadNumber(text, p, member)) return false;
  }
  first = AddressKey(structure, member);
  last = first;
  if (p == text.size()) return true;
  if (text[p] != '-') return false;
  ++p;
  std::int16_t structure2 = 0;
  std::int16_t member2 = 0;
  if (!ReadNumber(text, p, structure2)) return false;
  if (p < text.size() && text[p] == '.') {
    ++p;
    if (!ReadNumber(text, p, member2)) return false;
  }
  if (p != text.size()) return false;
  if (structure2 != structure) {
    why = "a range must stay within one structure";
    return false;
  }
  if (member2 < member) {
    why = "a range must not end before it starts";
    return false;
  }
  last = AddressKey(structure, member2);
  return true;
}

// Disjoint spans in key order, each with the lowest label of the ranges
// over it: one sweep over the places where ranges start and end, keeping the
// ranges open there by label, so that long generated lists cost little.
template <typename Span>
std::vector<Span> Paint(std::vector<Range> ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const Range& a, const Range& b) { return a.first < b.first; });
  std::vector<std::uint64_t> bounds;
  for (const Range& r : ranges) {
    bounds.push_back(r.first);
    bounds.push_back(std::uint64_t{r.last} + 1);
  }
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
  // (label, last) of the ranges begun, lowest label on top; a range that has
  // ended is dropped when it comes to the top.
  using Open = std::pair<std::uint16_t, std::uint32_t>;
  std::priority_queue<Open, std::vector<Open>, std::greater<>> open;
  std::vector<Span> spans;
  std::size_t next = 0;
  for (std::size_t k = 0; k + 1 < bounds.size(); ++k) {
    while (next < ranges.size() && ranges[next].first <= bounds[k]) {
      open.emplace(ranges[next].label, ranges[next].last);
      ++next;
    }
    while (!open.empty() && open.top().second < bounds[k]) open.pop();
    if (open.empty()) continue;
    const std::uint16_t label = open.top().first;
    const auto first = static_cast<std::uint32_t>(bounds[k]);
    const auto last = static_cast<std::uint32_t>(bounds[k + 1] - 1);
    if (!spans.empty() && spans.back().table == label && spans.back().last + 1 == first) {
      spans.back().last = last;
    } else {
      spans.push_back(Span{first, last, label});
    }
  }
  return spans;
}

}  // namespace

class RulesBuilder {
 public:
  explicit RulesBuilder(std::string name) : name_(std::move(name)) {}

  std::shared_ptr<const Rules> Build(const toml::table& root) {
    auto rules = std::make_shared<Rules>();
    rules->path_ = name_;
    for (const auto& [key, node] : root) {
      if (key.str() == "ignore") {
        if (!node.is_table()) Refuse(name_, key.source(), "\"ignore\" must be a table ([ignore])");
        ReadIgnore(*node.as_table(), *rules);
      } else if (key.str() == "units") {
        if (!node.is_table()) Refuse(name_, key.source(), "\"units\" must be a table ([units])");
        ReadUnits(*node.as_table());
      } else if (key.str() == "tolerance") {
        if (!node.is_array_of_tables()) {
          Refuse(name_, key.source(), "\"tolerance\" must be tables ([[tolerance]])");
        }
        for (const toml::node& table : *node.as_array()) ReadTolerance(*table.as_table(), *rules);
      } else {
        Refuse(name_, key.source(), "unknown table or key \"" + std::string(key.str()) + "\"");
      }
    }
    rules->ignored_ = Paint<Rules::Span>(ignored_);
    rules->tables_ = Paint<Rules::Span>(tables_);
    rules->unitsExempt_ = Paint<Rules::Span>(unitsExempt_);
    rules->hasDescriptions_ =
        !rules->ignoredDescriptions_.empty() || !rules->tableDescriptions_.empty();
    return rules;
  }

 private:
  // The texts of an array of strings.
  std::vector<std::pair<std::string, toml::source_region>> Texts(const toml::key& key,
                                                                 const toml::node& node) {
    const toml::array* array = node.as_array();
    if (array == nullptr) {
      Refuse(name_, key.source(), "\"" + std::string(key.str()) + "\" must be an array of texts");
    }
    std::vector<std::pair<std::string, toml::source_region>> texts;
    for (const toml::node& element : *array) {
      if (!element.is_string()) {
        Refuse(name_, element.source(),
               "\"" + std::string(key.str()) + "\" must be an array of texts");
      }
      texts.emplace_back(element.as_string()->get(), element.source());
    }
    return texts;
  }

  void Addresses(const toml::key& key, const toml::node& node, std::uint16_t label,
                 std::vector<Range>& into) {
    for (const auto& [text, at] : Texts(key, node)) {
      Range r{0, 0, label};
      std::string why;
      if (!ReadAddressPattern(text, r.first, r.last, why)) {
        Refuse(name_, at, "\"" + text + "\": " + why);
      }
      into.push_back(r);
    }
  }

  void ReadIgnore(const toml::table& table, Rules& rules) {
    for (const auto& [key, node] : table) {
      if (key.str() == "addresses") {
        Addresses(key, node, 0, ignored_);
      } else if (key.str() == "descriptions") {
        for (auto& [text, at] : Texts(key, node)) rules.ignoredDescriptions_.push_back(text);
      } else {
        Refuse(name_, key.source(), "unknown key \"" + std::string(key.str()) + "\" in [ignore]");
      }
    }
  }

  // Lines whose units are not compared: "ignore" takes address patterns.
  void ReadUnits(const toml::table& table) {
    for (const auto& [key, node] : table) {
      if (key.str() != "ignore") {
        Refuse(name_, key.source(), "unknown key \"" + std::string(key.str()) + "\" in [units]");
      }
      Addresses(key, node, 0, unitsExempt_);
    }
  }

  // A tolerance as decimal text: a string as written, a TOML number as its
  // shortest decimal text.
  std::string ToleranceText(const toml::key& key, const toml::node& node, bool relative) {
    const std::string what = "\"" + std::string(key.str()) + "\"";
    std::string text;
    if (node.is_string()) {
      text = node.as_string()->get();
    } else if (node.is_integer()) {
      text = std::to_string(node.as_integer()->get());
    } else if (node.is_floating_point()) {
      const double value = node.as_floating_point()->get();
      if (!std::isfinite(value)) Refuse(name_, node.source(), what + " must be a finite number");
      char buffer[64];
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
      text.assign(buffer, result.ptr);
    } else {
      Refuse(name_, node.source(), what + " must be a number or a text holding one");
    }
    // Messages quote the text as written, percent sign and all.
    const std::string written = text;
    bool percent = false;
    if (!text.empty() && text.back() == '%') {
      if (!relative) Refuse(name_, node.source(), what + " cannot be a percentage");
      text.pop_back();
      percent = true;
    }
    if (!SameDecimalNumber(text, text)) {
      Refuse(name_, node.source(), what + " is not a decimal number: \"" + written + "\"");
    }
    // "-0" is zero, not a negative tolerance.
    if (text.front() == '-' && !SameDecimalNumber(text, "0")) {
      Refuse(name_, node.source(), what + " must not be negative");
    }
    if (percent) {
      if (text.find_first_of("eE") != std::string::npos) {
        Refuse(name_, node.source(), what + " as a percentage takes no exponent");
      }
      text += "e-2";
    }
    return text;
  }

  void ReadTolerance(const toml::table& table, Rules& rules) {
    const auto label = static_cast<std::uint16_t>(rules.tolerances_.size());
    if (label == Rules::kNoTable - 1) {
      Refuse(name_, table.source(), "too many tolerance tables");
    }
    std::string absolute;
    std::string relative;  // a fraction: a percentage is turned into one
    bool patterns = false;
    for (const auto& [key, node] : table) {
      if (key.str() == "addresses") {
        Addresses(key, node, label, tables_);
        patterns = true;
      } else if (key.str() == "descriptions") {
        for (auto& [text, at] : Texts(key, node))
          rules.tableDescriptions_.emplace_back(label, text);
        patterns = true;
      } else if (key.str() == "absolute") {
        absolute = ToleranceText(key, node, false);
      } else if (key.str() == "relative") {
        relative = ToleranceText(key, node, true);
      } else {
        Refuse(name_, key.source(),
               "unknown key \"" + std::string(key.str()) + "\" in [[tolerance]]");
      }
    }
    if (!patterns)
      Refuse(name_, table.source(), "[[tolerance]] gives no addresses or descriptions");
    if (absolute.empty() && relative.empty()) {
      Refuse(name_, table.source(), "[[tolerance]] gives neither \"absolute\" nor \"relative\"");
    }
    rules.tolerances_.emplace_back(std::move(absolute), std::move(relative));
  }

  std::string name_;
  std::vector<Range> ignored_;
  std::vector<Range> tables_;
  std::vector<Range> unitsExempt_;
};

std::shared_ptr<const Rules> Rules::Parse(std::string_view text, const std::string& name) {
  toml::table root;
  try {
    root = toml::parse(text, name);
  } catch (const toml::parse_error& error) {
    Refuse(name, error.source(), std::string(error.description()));
  }
  return RulesBuilder(name).Build(root);
}

std::shared_ptr<const Rules> Rules::Read(const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, text))
    throw Failure(kErrFileFormat, "Rules file '" + path + "' cannot be read");
  return Parse(text, path);
}

bool ReadAddressRange(std::string_view text, std::uint32_t& first, std::uint32_t& last,
                      std::string& why) {
  return ReadAddressPattern(text, first, last, why);
}

}  // namespace parvex
