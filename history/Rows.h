#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "history/Database.h"

namespace parvex::history {

// A column as the store expects it: an integer (none for NULL), or text or
// bytes (a server may hand either for either).
inline std::optional<std::int64_t> MaybeInt(const DbValue& v) {
  if (const auto* n = std::get_if<std::int64_t>(&v)) return *n;
  if (const auto* t = std::get_if<std::string>(&v)) return std::stoll(*t);
  return std::nullopt;
}
inline std::int64_t Int(const DbValue& v) {
  return MaybeInt(v).value_or(0);
}
inline std::string TextOf(const DbValue& v) {
  if (const auto* t = std::get_if<std::string>(&v)) return *t;
  if (const auto* b = std::get_if<Blob>(&v)) return b->bytes;
  return {};
}
inline std::string BlobBytes(const DbValue& v) {
  return TextOf(v);
}
inline DbValue Nullable(const std::optional<std::int64_t>& n) {
  if (n) return *n;
  return std::monostate{};
}

}  // namespace parvex::history
