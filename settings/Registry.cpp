#include "settings/Registry.h"

#include "engine/base/Failure.h"

namespace parvex {

namespace {

RegHandle Root(std::int32_t regKey) {
  return static_cast<std::uint32_t>(regKey);
}

bool IsDefaultName(const QString& name) {
  return name.toLower() == QStringLiteral("default");
}

// Closes the key however the read or write ends.
class KeyGuard {
 public:
  KeyGuard(RegistryApi& api, RegHandle& key) : api_(api), key_(key) {}
  ~KeyGuard() { api_.CloseKey(key_); }
  KeyGuard(const KeyGuard&) = delete;
  KeyGuard& operator=(const KeyGuard&) = delete;

 private:
  RegistryApi& api_;
  RegHandle& key_;
};

}  // namespace

clsRegistry::clsRegistry(std::shared_ptr<RegistryApi> api) : api_(std::move(api)) {}

void clsRegistry::AddItem(const QString& Name, const QString& Category, std::int32_t RegKey,
                          std::int32_t ValueType, const SettingValue& DefaultValue) {
  for (const clsRegItem& item : Items) {
    if (item.Name.compare(Name, Qt::CaseInsensitive) == 0) {
      throw Failure(457, "This key is already associated with an element of this collection");
    }
  }
  Items.push_back(clsRegItem{RegKey, Category, DefaultValue, Name, ValueType});
}

const clsRegItem& clsRegistry::Find(const QString& name) const {
  for (const clsRegItem& item : Items) {
    if (item.Name.compare(name, Qt::CaseInsensitive) == 0) return item;
  }
  throw Failure(5, "Invalid procedure call or argument");
}

SettingValue clsRegistry::GetItem(const QString& Name) {
  const clsRegItem item = Find(Name);
  const QString path = RegPath + item.Category;
  switch (item.ValueType) {
    case ValueString:
      return SettingValue::Text(
          GetString(Root(item.RegKey), path, item.Name, item.DefaultVal.ToText()));
    case ValueDWord:
      return SettingValue::Int32(
          GetDWord(Root(item.RegKey), path, item.Name, item.DefaultVal.ToInt32()));
    case ValueBytes:
      return GetBytes(Root(item.RegKey), path, item.Name, item.DefaultVal);
    default:
      return {};
  }
}

void clsRegistry::SaveItem(const QString& Name, const SettingValue& Value) {
  const clsRegItem item = Find(Name);
  Write(Root(item.RegKey), RegPath + item.Category, item.Name, item.ValueType, Value);
}

SettingValue clsRegistry::UGetItem(std::int32_t RegKey, const QString& Path, const QString& Name,
                                   std::int32_t ValueType, const SettingValue& DefaultVal) {
  switch (ValueType) {
    case ValueString:
      return SettingValue::Text(GetString(Root(RegKey), Path, Name, DefaultVal.ToText()));
    case ValueDWord:
      return SettingValue::Int32(GetDWord(Root(RegKey), Path, Name, DefaultVal.ToInt32()));
    case ValueBytes:
      // A byte-array default passes through as it does for GetItem; any other
      // must at least convert to one byte.
      if (!DefaultVal.IsBytes()) DefaultVal.ToByte();
      return GetBytes(Root(RegKey), Path, Name, DefaultVal);
    default:
      return {};
  }
}

void clsRegistry::USaveItem(std::int32_t RegKey, const QString& Path, const QString& Name,
                            std::int32_t ValueType, const SettingValue& Value) {
  Write(Root(RegKey), Path, Name, ValueType, Value);
}

void clsRegistry::Write(RegHandle root, const QString& path, const QString& name, std::int32_t type,
                        const SettingValue& value) {
  switch (type) {
    case ValueString:
      SaveString(root, path, name, value.ToText());
      break;
    case ValueDWord:
      SaveDWord(root, path, name, value.ToInt32());
      break;
    case ValueBytes:
      if (value.IsBytes()) {
        SaveBytes(root, path, name, value.AsBytes());
      } else {
        QByteArray two(2, '\0');
        two[0] = static_cast<char>(value.ToByte());
        SaveBytes(root, path, name, two);
      }
      break;
    default:
      break;
  }
}

std::int32_t clsRegistry::GetDWord(RegHandle root, const QString& path, const QString& name,
                                   std::int32_t defaultValue) {
  std::int32_t result = defaultValue;
  RegHandle key = 0;
  KeyGuard guard(*api_, key);
  api_->OpenKey(root, path, key);
  QByteArray buffer(4, '\0');
  std::uint32_t type = 0;
  std::uint32_t size = 4;
  if (api_->QueryValueEx(key, name, type, &buffer, size) == kRegOk && type == kRegDword &&
      size == 4) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<std::uint8_t>(buffer[i]);
    result = static_cast<std::int32_t>(n);
  }
  return result;
}

void clsRegistry::SaveDWord(RegHandle root, const QString& path, const QString& name,
                            std::int32_t value) {
  RegHandle key = 0;
  KeyGuard guard(*api_, key);
  api_->CreateKey(root, path, key);
  QByteArray data(4, '\0');
  const auto n = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((n >> (8 * i)) & 0xFFU);
  api_->SetValueEx(key, name, kRegDword, data);
}

QString clsRegistry::GetString(RegHandle root, const QString& path, const QString& name,
                               const QString& defaultValue) {
  QString result = defaultValue;
  RegHandle key = 0;
  KeyGuard guard(*api_, key);
  api_->OpenKey(root, path, key);

  const bool isDefault = IsDefaultName(name);
  long code = 0;
  std::uint32_t type = 0;
  std::int64_t size = 0;
  if (isDefault) {
    std::int32_t needed = 0;
    // A missing default value falls back to the default given, as any other
    // missing value does.
    code = api_->QueryValue(key, nullptr, needed);
    type = kRegSz;
    size = needed;
  } else {
    std::uint32_t needed = 0;
    code = api_->QueryValueEx(key, name, type, nullptr, needed);
    size = needed;
  }
  if (type == kRegSz && code == kRegOk) {
    QByteArray buffer(static_cast<qsizetype>(size), ' ');
    if (isDefault) {
      auto n = static_cast<std::int32_t>(size);
      api_->QueryValue(key, &buffer, n);
    } else {
      auto n = static_cast<std::uint32_t>(size);
      api_->QueryValueEx(key, name, type, &buffer, n);
    }
    // The text ends at the first NUL; its position is a 16-bit number.
    const qsizetype nul = buffer.indexOf('\0');
    if (nul >= 0) {
      CheckedInt16(static_cast<long long>(nul) + 1);
      buffer.truncate(nul);
    }
    result = QString::fromUtf8(buffer);
  }
  if (result == EmptyTextMarker) result.clear();
  return result;
}

void clsRegistry::SaveString(RegHandle root, const QString& path, const QString& name,
                             QString value) {
  if (value.isEmpty()) value = EmptyTextMarker;
  RegHandle key = 0;
  KeyGuard guard(*api_, key);
  api_->CreateKey(root, path, key);
  // Kept as UTF-8, so a path the user chose comes back unchanged whatever its
  // characters; no terminating NUL is stored.
  const QByteArray text = value.toUtf8();
  if (IsDefaultName(name)) {
    api_->SetValue(key, text);
  } else {
    api_->SetValueEx(key, name, kRegSz, text);
  }
}

SettingValue clsRegistry::GetBytes(RegHandle root, const QString& path, const QString& name,
                                   const SettingValue& defaultValue) {
  SettingValue result = defaultValue.IsBytes() ? defaultValue : SettingValue::Int16(0);
  RegHandle key = 0;
  KeyGuard guard(*api_, key);
  api_->OpenKey(root, path, key);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (api_->QueryValueEx(key, name, type, nullptr, size) == kRegOk && type == kRegBinary) {
    // An array indexed 0 to size - 1 cannot be made for zero bytes.
    if (size == 0) throw SubscriptFailure();
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    api_->QueryValueEx(key, name, type, &bytes, size);
    result = SettingValue::Bytes(bytes);
  }
  return result;
}

void clsRegistry::SaveBytes(RegHandle root, const QString& path, const QString& name,
                            const QByteArray& bytes) {
  RegHandle key = 0;
  KeyGuard guard(*api_, key);
  api_->CreateKey(root, path, key);
  api_->SetValueEx(key, name, kRegBinary, bytes);
}

}  // namespace parvex
