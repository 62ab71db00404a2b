#include "engine/base/NameText.h"

#include <cstdint>

namespace parvex {

namespace {

// The length of the valid UTF-8 sequence at the start of bytes and its code
// point, or 0 when it does not start one (overlong forms and surrogates are
// not valid).
std::size_t Sequence(std::string_view bytes, std::uint32_t& c) {
  const auto b = static_cast<unsigned char>(bytes[0]);
  std::size_t more = 0;
  std::uint32_t least = 0;
  if (b < 0x80) {
    c = b;
    return 1;
  }
  if (b >= 0xC2 && b <= 0xDF) {
    more = 1, c = b & 0x1F, least = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    more = 2, c = b & 0x0F, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    more = 3, c = b & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (bytes.size() <= more) return 0;
  for (std::size_t i = 1; i <= more; ++i) {
    const auto next = static_cast<unsigned char>(bytes[i]);
    if ((next & 0xC0) != 0x80) return 0;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return more + 1;
}

void AppendUtf8(std::uint32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::u16string NameToText(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  while (!bytes.empty()) {
    std::uint32_t c = 0;
    std::size_t n = Sequence(bytes, c);
    if (n == 0) {
      c = 0xDC00 + static_cast<unsigned char>(bytes[0]);
      n = 1;
    }
    if (c >= 0x10000) {
      text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      text += static_cast<char16_t>(c);
    }
    bytes.remove_prefix(n);
  }
  return text;
}

std::string NameFromText(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    const bool high = u >= 0xD800 && u <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      AppendUtf8(0x10000 + ((std::uint32_t(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00), bytes);
      ++i;
    } else if (u >= 0xDC80 && u <= 0xDCFF) {
      bytes += static_cast<char>(u - 0xDC00);  // a byte kept from the name
    } else {
      AppendUtf8(u, bytes);
    }
  }
  return bytes;
}

}  // namespace parvex
