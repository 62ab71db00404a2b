#include "history/PostgresSql.h"

namespace parvex::postgres {

namespace {

// The index just past a quoted stretch that opens at sql[start] and closes
// with the same quote (a doubled quote inside stands for itself).
std::size_t SkipQuoted(std::string_view sql, std::size_t start) {
  const char quote = sql[start];
  std::size_t i = start + 1;
  while (i < sql.size()) {
    if (sql[i] == quote) {
      if (i + 1 < sql.size() && sql[i + 1] == quote) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return sql.size();
}

// The index just past a comment opening at sql[start], or start when none
// opens there.
std::size_t SkipComment(std::string_view sql, std::size_t start) {
  if (sql.substr(start, 2) == "--") {
    const std::size_t end = sql.find('\n', start);
    return end == std::string_view::npos ? sql.size() : end + 1;
  }
  if (sql.substr(start, 2) == "/*") {
    const std::size_t end = sql.find("*/", start + 2);
    return end == std::string_view::npos ? sql.size() : end + 2;
  }
  return start;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string NumberPlaceholders(std::string_view sql, int& count) {
  std::string out;
  out.reserve(sql.size() + 16);
  count = 0;
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    std::size_t next = i + 1;
    if (c == '\'' || c == '"') {
      next = SkipQuoted(sql, i);
    } else if (const std::size_t past = SkipComment(sql, i); past != i) {
      next = past;
    } else if (c == '?') {
      out += '$';
      out += std::to_string(++count);
      i = next;
      continue;
    }
    out.append(sql.substr(i, next - i));
    i = next;
  }
  return out;
}

std::optional<std::string> DecodeByteaHex(std::string_view text) {
  if (text.size() < 2 || text[0] != '\\' || text[1] != 'x' || text.size() % 2 != 0) {
    return std::nullopt;
  }
  std::string bytes;
  bytes.reserve(text.size() / 2 - 1);
  for (std::size_t i = 2; i < text.size(); i += 2) {
    const int high = HexDigit(text[i]);
    const int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

DbFailureKind FailureKindOf(std::string_view sqlstate) {
  // 40001 could not serialize, 40P01 deadlock, 55P03 lock not available.
  if (sqlstate == "40001" || sqlstate == "40P01" || sqlstate == "55P03") {
    return DbFailureKind::Busy;
  }
  if (sqlstate == "23505") return DbFailureKind::Conflict;  // unique violation
  // 53100 disk full, 53200 out of memory.
  if (sqlstate == "53100" || sqlstate == "53200") return DbFailureKind::Full;
  return DbFailureKind::Other;
}

}  // namespace parvex::postgres
