#include "ui/common/CodePage.h"

#include "engine/base/NameText.h"

namespace parvex {

namespace {

// Every unit as it stands: QString::fromUtf16 would take a leading U+FEFF or
// U+FFFE for a byte order mark and drop or swap it.
QString FromUnits(const std::u16string& text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

std::u16string_view Units(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

}  // namespace

QString FromArchiveBytes(std::string_view bytes) {
  return FromUnits(FromWindows1252(bytes));
}

QString FieldText(std::string_view bytes) {
  return FromUnits(TextForPeople(bytes));
}

std::string ToArchiveBytes(const QString& text) {
  return ToWindows1252(Units(text));
}

std::string PathBytes(const QString& path) {
  return NameFromText(Units(path));
}

QString PathText(std::string_view bytes) {
  return FromUnits(NameToText(bytes));
}

}  // namespace parvex
