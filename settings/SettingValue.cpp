#include "settings/SettingValue.h"

#include <QLocale>

#include <cmath>

#include "engine/base/Failure.h"

namespace parvex {

std::int32_t SettingValue::AsInteger() const {
  if (const auto* v16 = std::get_if<std::int16_t>(&value_)) return *v16;
  return std::get<std::int32_t>(value_);
}

QString SettingValue::ToText() const {
  switch (GetKind()) {
    case Kind::Empty:
      return QString();
    case Kind::Int16:
    case Kind::Int32:
      return QString::number(AsInteger());
    case Kind::Single:
      return QString::number(static_cast<double>(std::get<float>(value_)), 'g', 7);
    case Kind::Text:
      return AsText();
    case Kind::Bytes:
      break;
  }
  throw TypeMismatchFailure();
}

double SettingValue::ToNumber() const {
  switch (GetKind()) {
    case Kind::Empty:
      return 0.0;
    case Kind::Int16:
    case Kind::Int32:
      return AsInteger();
    case Kind::Single:
      return static_cast<double>(std::get<float>(value_));
    case Kind::Text: {
      // Blanks around are allowed; the user's decimal separator or a point.
      const QString text = AsText().trimmed();
      bool ok = false;
      double number = QLocale().toDouble(text, &ok);
      if (!ok) number = QLocale::c().toDouble(text, &ok);
      if (!ok || !std::isfinite(number)) throw TypeMismatchFailure();
      return number;
    }
    case Kind::Bytes:
      break;
  }
  throw TypeMismatchFailure();
}

std::int32_t SettingValue::ToInt32() const {
  if (GetKind() == Kind::Int16 || GetKind() == Kind::Int32) return AsInteger();
  // The default rounding mode takes halves to the even neighbour.
  const double rounded = std::nearbyint(ToNumber());
  if (rounded < -2147483648.0 || rounded > 2147483647.0) throw OverflowFailure();
  return static_cast<std::int32_t>(rounded);
}

std::uint8_t SettingValue::ToByte() const {
  const std::int32_t value = ToInt32();
  if (value < 0 || value > 255) throw OverflowFailure();
  return static_cast<std::uint8_t>(value);
}

}  // namespace parvex
