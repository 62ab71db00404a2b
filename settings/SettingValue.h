#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <variant>

namespace parvex {

// The tagged value the settings store takes and returns.
class SettingValue {
 public:
  enum class Kind { Empty, Int16, Int32, Single, Text, Bytes };

  SettingValue() = default;
  static SettingValue Int16(std::int16_t v) { return SettingValue(v); }
  static SettingValue Int32(std::int32_t v) { return SettingValue(v); }
  static SettingValue Single(float v) { return SettingValue(v); }
  static SettingValue Text(QString v) { return SettingValue(std::move(v)); }
  static SettingValue Bytes(QByteArray v) { return SettingValue(std::move(v)); }

  Kind GetKind() const { return static_cast<Kind>(value_.index()); }
  bool IsEmpty() const { return GetKind() == Kind::Empty; }
  bool IsBytes() const { return GetKind() == Kind::Bytes; }

  // The stored alternative itself; only for the kind it holds.
  std::int32_t AsInteger() const;
  const QString& AsText() const { return std::get<QString>(value_); }
  const QByteArray& AsBytes() const { return std::get<QByteArray>(value_); }

  // Numbers become their decimal text, empty the empty text. Bytes fail with 13.
  QString ToText() const;
  // Numbers and numeric texts rounded half to even; empty gives 0. Failure 13
  // for a text that is no number, 6 outside the 32-bit range.
  std::int32_t ToInt32() const;
  // As ToInt32, in the range 0 to 255.
  std::uint8_t ToByte() const;

  friend bool operator==(const SettingValue&, const SettingValue&) = default;

 private:
  using Storage =
      std::variant<std::monostate, std::int16_t, std::int32_t, float, QString, QByteArray>;
  template <typename T>
  explicit SettingValue(T v) : value_(std::move(v)) {}
  double ToNumber() const;

  Storage value_;
};

}  // namespace parvex
