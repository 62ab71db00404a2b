#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "settings/RegistryApi.h"
#include "settings/SettingValue.h"

namespace parvex {

// The store's own value type codes.
inline constexpr std::int32_t ValueBytes = 0;
inline constexpr std::int32_t ValueDWord = 1;
inline constexpr std::int32_t ValueString = 2;

inline constexpr std::int32_t kHkeyCurrentUserCode = static_cast<std::int32_t>(0x80000001U);

// An empty text is stored as this two-character marker, a backslash and a zero.
inline const QString EmptyTextMarker = QStringLiteral("\\0");

// One registered setting.
struct clsRegItem {
  std::int32_t RegKey = 0;
  QString Category;
  SettingValue DefaultVal;
  QString Name;
  std::int32_t ValueType = 0;
};

// Named settings with types and defaults, read from and written to the
// registry at once; nothing is held in memory but the registrations. Traps
// nothing: every failure reaches the caller.
class clsRegistry {
 public:
  explicit clsRegistry(std::shared_ptr<RegistryApi> api);

  void AddItem(const QString& Name, const QString& Category, std::int32_t RegKey,
               std::int32_t ValueType, const SettingValue& DefaultValue);
  SettingValue GetItem(const QString& Name);
  void SaveItem(const QString& Name, const SettingValue& Value);
  SettingValue UGetItem(std::int32_t RegKey, const QString& Path, const QString& Name,
                        std::int32_t ValueType, const SettingValue& DefaultVal);
  void USaveItem(std::int32_t RegKey, const QString& Path, const QString& Name,
                 std::int32_t ValueType, const SettingValue& Value);
  QString GetRegPath() const { return RegPath; }

 private:
  const clsRegItem& Find(const QString& name) const;
  void Write(RegHandle root, const QString& path, const QString& name, std::int32_t type,
             const SettingValue& value);

  std::int32_t GetDWord(RegHandle root, const QString& path, const QString& name,
                        std::int32_t defaultValue);
  void SaveDWord(RegHandle root, const QString& path, const QString& name, std::int32_t value);
  QString GetString(RegHandle root, const QString& path, const QString& name,
                    const QString& defaultValue);
  void SaveString(RegHandle root, const QString& path, const QString& name, QString value);
  SettingValue GetBytes(RegHandle root, const QString& path, const QString& name,
                        const SettingValue& defaultValue);
  void SaveBytes(RegHandle root, const QString& path, const QString& name, const QByteArray& bytes);

  const QString RegPath = QStringLiteral("Software\\Brenlo\\Parvex\\");
  std::vector<clsRegItem> Items;
  std::shared_ptr<RegistryApi> api_;
};

}  // namespace parvex
