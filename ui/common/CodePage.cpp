#include "ui/common/CodePage.h"

#include <QStringDecoder>

#include <algorithm>

#include <array>

#include "engine/base/NameText.h"

namespace parvex {

namespace {

// 0x80..0x9F of Windows-1252; the rest of the bytes are Latin-1.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t ToChar(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : static_cast<char16_t>(byte);
}

}  // namespace

QString FromArchiveBytes(std::string_view bytes) {
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* out = text.data();
  for (const char c : bytes) *out++ = QChar(ToChar(static_cast<unsigned char>(c)));
  return text;
}

QString FieldText(std::string_view bytes) {
  // Plain ASCII reads the same either way; most fields are.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; })) {
    return FromArchiveBytes(bytes);
  }
  // Strict: overlong forms, surrogates and cut sequences are errors; a byte
  // order mark stays a character.
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  const QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  return utf8.hasError() ? FromArchiveBytes(bytes) : text;
}

std::string ToArchiveBytes(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (const QChar ch : text) {
    const char16_t u = ch.unicode();
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

// On Windows QFile's names are in the ANSI code page, which cannot hold every
// name; the engine opens files there through the wide-character API. On Linux
// a name keeps its bytes, whatever their encoding.
std::string PathBytes(const QString& path) {
#ifdef _WIN32
  return path.toUtf8().toStdString();
#else
  return NameFromText(std::u16string_view(reinterpret_cast<const char16_t*>(path.utf16()),
                                          static_cast<std::size_t>(path.size())));
#endif
}

QString PathText(std::string_view bytes) {
#ifdef _WIN32
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
#else
  const std::u16string text = NameToText(bytes);
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
#endif
}

}  // namespace parvex
