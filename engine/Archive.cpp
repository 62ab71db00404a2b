#include "engine/Archive.h"

#include <cstring>

#include "engine/ErrorReport.h"
#include "engine/Failure.h"

namespace parvex {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool IsNumericAddress(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
  bool digit = false;
  bool point = false;
  for (const char c : s) {
    if (IsDigit(c)) {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

std::int16_t AddressPieceToInt16(std::string_view piece) {
  std::string_view s = TrimBlanks(piece);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) throw TypeMismatchFailure();
  long long value = 0;
  for (const char c : s) {
    if (!IsDigit(c)) throw TypeMismatchFailure();
    // Stop growing once out of range; leading zeros keep the value small.
    if (value <= 32768) value = value * 10 + (c - '0');
  }
  return CheckedInt16(negative ? -value : value);
}

void SplitArchiveLineInto(std::string_view line, ArchiveRecord& rec) {
  rec.ParamNumber = 0;
  rec.SubIndex = 0;
  rec.Description.clear();
  rec.Value.clear();
  rec.Units.clear();
  rec.ReadOnly = false;
  try {
    if (line.empty()) return;

    // Only the first four fields are used; further ones are ignored.
    std::string_view fields[4];
    std::size_t count = 0;
    std::string_view rest = line;
    while (count < 3) {
      const auto* tab = static_cast<const char*>(std::memchr(rest.data(), '\t', rest.size()));
      if (tab == nullptr) break;
      const auto len = static_cast<std::size_t>(tab - rest.data());
      fields[count++] = rest.substr(0, len);
      rest.remove_prefix(len + 1);
    }
    if (count < 3) {
      rec.ParamNumber = -1;
      rec.Description = "<UNKNOWN>";
      rec.ReadOnly = true;
      return;
    }
    const auto* tab = static_cast<const char*>(std::memchr(rest.data(), '\t', rest.size()));
    fields[3] = tab == nullptr ? rest : rest.substr(0, static_cast<std::size_t>(tab - rest.data()));

    const std::string_view address = fields[0];
    if (!IsNumericAddress(address)) {
      rec.ParamNumber = -1;
      rec.SubIndex = 0;
    } else if (const auto point = address.find('.'); point != std::string_view::npos) {
      rec.ParamNumber = AddressPieceToInt16(address.substr(0, point));
      rec.SubIndex = AddressPieceToInt16(address.substr(point + 1));
    } else {
      rec.ParamNumber = AddressPieceToInt16(address);
      rec.SubIndex = 0;
    }

    const std::string_view description = fields[1];
    if (!description.empty() && description.front() == '!') {
      rec.ReadOnly = true;
      rec.Description.assign(description.substr(1));
    } else {
      rec.ReadOnly = false;
      rec.Description.assign(description);
    }
    rec.Value.assign(fields[2]);
    rec.Units.assign(fields[3]);
  } catch (...) {
    ReportVBError("Error While Splitting Archive Line");
  }
}

ArchiveRecord SplitArchiveLine(std::string_view line) {
  ArchiveRecord rec;
  SplitArchiveLineInto(line, rec);
  return rec;
}

}  // namespace parvex
