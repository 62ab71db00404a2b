#include "engine/base/NameText.h"

#include <array>
#include <cstdint>

namespace parvex {

namespace {

// 0x80..0x9F of Windows-1252; the rest of the upper half is Latin-1.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

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

void AppendUtf16(std::uint32_t c, std::u16string& out) {
  if (c >= 0x10000) {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

// UTF-8 as UTF-16, each byte outside a valid sequence given to invalid.
template <typename Invalid>
std::u16string Utf8ToUtf16(std::string_view bytes, Invalid invalid) {
  std::u16string text;
  text.reserve(bytes.size());
  while (!bytes.empty()) {
    std::uint32_t c = 0;
    std::size_t n = Sequence(bytes, c);
    if (n == 0) {
      c = invalid(static_cast<unsigned char>(bytes[0]));
      n = 1;
    }
    AppendUtf16(c, text);
    bytes.remove_prefix(n);
  }
  return text;
}

}  // namespace

char16_t Windows1252Char(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : static_cast<char16_t>(byte);
}

std::u16string FromWindows1252(std::string_view bytes) {
  std::u16string text(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    text[i] = Windows1252Char(static_cast<unsigned char>(bytes[i]));
  }
  return text;
}

std::string ToWindows1252(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (const char16_t u : text) {
    char byte = '?';
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
      byte = static_cast<char>(u);
    } else {
      for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == u) {
          byte = static_cast<char>(0x80 + i);
          break;
        }
      }
    }
    bytes.push_back(byte);
  }
  return bytes;
}

bool IsValidUtf8(std::string_view bytes) {
  while (!bytes.empty()) {
    std::uint32_t c = 0;
    const std::size_t n = Sequence(bytes, c);
    if (n == 0) return false;
    bytes.remove_prefix(n);
  }
  return true;
}

std::u16string TextForPeople(std::string_view bytes) {
  if (!IsValidUtf8(bytes)) return FromWindows1252(bytes);
  return Utf8ToUtf16(bytes, [](unsigned char b) { return b; });
}

std::string DisplayText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) AppendUtf8(Windows1252Char(static_cast<unsigned char>(ch)), out);
  return out;
}

std::u16string NameToText(std::string_view bytes) {
#ifdef _WIN32
  return Utf8ToUtf16(bytes, [](unsigned char) { return std::uint32_t{0xFFFD}; });
#else
  return Utf8ToUtf16(bytes, [](unsigned char b) { return std::uint32_t{0xDC00} + b; });
#endif
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
#ifdef _WIN32
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      bytes += '?';  // no character: what Qt made of it before
#else
    } else if (u >= 0xDC80 && u <= 0xDCFF) {
      bytes += static_cast<char>(u - 0xDC00);  // a byte kept from the name
#endif
    } else {
      AppendUtf8(u, bytes);
    }
  }
  return bytes;
}

}  // namespace parvex
