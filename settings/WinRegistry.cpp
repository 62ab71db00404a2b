#ifdef _WIN32

#include "settings/WinRegistry.h"

#include <windows.h>

namespace parvex {

namespace {

HKEY Handle(RegHandle key) {
  // The predefined roots are 32-bit numbers that the registry sign-extends.
  if (key >= 0x80000000U && key <= 0x800000FFU) {
    return reinterpret_cast<HKEY>(
        static_cast<LONG_PTR>(static_cast<LONG>(static_cast<std::uint32_t>(key))));
  }
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(key));
}
RegHandle FromHandle(HKEY key) {
  return static_cast<RegHandle>(reinterpret_cast<ULONG_PTR>(key));
}
const wchar_t* Wide(const QString& s) {
  return reinterpret_cast<const wchar_t*>(s.utf16());
}

// REG_SZ data crosses as UTF-16 with the registry and as UTF-8 with the store.
QByteArray ToWideBytes(const QByteArray& utf8) {
  const QString text = QString::fromUtf8(utf8);
  return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}
QByteArray FromWideBytes(const QByteArray& wide) {
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(wide.constData()), wide.size() / 2)
      .toUtf8();
}

}  // namespace

long WinRegistry::OpenKey(RegHandle root, const QString& path, RegHandle& key) {
  HKEY result = nullptr;
  const long code = RegOpenKeyW(Handle(root), Wide(path), &result);
  key = code == ERROR_SUCCESS ? FromHandle(result) : 0;
  return code;
}

long WinRegistry::CreateKey(RegHandle root, const QString& path, RegHandle& key) {
  HKEY result = nullptr;
  const long code = RegCreateKeyW(Handle(root), Wide(path), &result);
  key = code == ERROR_SUCCESS ? FromHandle(result) : 0;
  return code;
}

long WinRegistry::QueryValueEx(RegHandle key, const QString& name, std::uint32_t& type,
                               QByteArray* data, std::uint32_t& size) {
  DWORD t = 0;
  DWORD bytes = 0;
  long code = RegQueryValueExW(Handle(key), Wide(name), nullptr, &t, nullptr, &bytes);
  type = t;
  if (code != ERROR_SUCCESS) return code;
  QByteArray raw(static_cast<qsizetype>(bytes), '\0');
  code = RegQueryValueExW(Handle(key), Wide(name), nullptr, &t,
                          bytes > 0 ? reinterpret_cast<BYTE*>(raw.data()) : nullptr, &bytes);
  if (code != ERROR_SUCCESS) return code;
  raw.resize(bytes);
  if (t == REG_SZ) {
    raw = FromWideBytes(raw);
    while (raw.endsWith('\0')) raw.chop(1);
  }
  return CopyRegistryData(raw, data, size);
}

long WinRegistry::QueryValue(RegHandle key, QByteArray* data, std::int32_t& size) {
  LONG bytes = 0;
  long code = RegQueryValueW(Handle(key), nullptr, nullptr, &bytes);
  if (code != ERROR_SUCCESS) return code;
  QByteArray raw(static_cast<qsizetype>(bytes), '\0');
  code = RegQueryValueW(Handle(key), nullptr, reinterpret_cast<wchar_t*>(raw.data()), &bytes);
  if (code != ERROR_SUCCESS) return code;
  QByteArray text = FromWideBytes(raw);
  while (text.endsWith('\0')) text.chop(1);
  text.append('\0');
  return CopyRegistryData(text, data, size);
}

long WinRegistry::SetValueEx(RegHandle key, const QString& name, std::uint32_t type,
                             const QByteArray& data) {
  const QByteArray raw = type == REG_SZ ? ToWideBytes(data) : data;
  return RegSetValueExW(Handle(key), Wide(name), 0, type,
                        reinterpret_cast<const BYTE*>(raw.constData()),
                        static_cast<DWORD>(raw.size()));
}

long WinRegistry::SetValue(RegHandle key, const QByteArray& text) {
  const QString wide = QString::fromUtf8(text);
  return RegSetValueW(Handle(key), nullptr, REG_SZ, Wide(wide), static_cast<DWORD>(wide.size()));
}

long WinRegistry::CloseKey(RegHandle key) {
  if (key == 0) return ERROR_INVALID_HANDLE;
  return RegCloseKey(Handle(key));
}

}  // namespace parvex

#endif
