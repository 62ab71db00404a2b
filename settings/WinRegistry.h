#pragma once

#ifdef _WIN32

#include "settings/RegistryApi.h"

namespace parvex {

// The Windows registry through advapi32. Texts cross as UTF-16 (the W forms of
// the same functions), so a path with characters outside the ANSI code page
// is stored and read back unchanged; the store hands UTF-8 in and out.
class WinRegistry final : public RegistryApi {
 public:
  long OpenKey(RegHandle root, const QString& path, RegHandle& key) override;
  long CreateKey(RegHandle root, const QString& path, RegHandle& key) override;
  long QueryValueEx(RegHandle key, const QString& name, std::uint32_t& type, QByteArray* data,
                    std::uint32_t& size) override;
  long QueryValue(RegHandle key, QByteArray* data, std::int32_t& size) override;
  long SetValueEx(RegHandle key, const QString& name, std::uint32_t type,
                  const QByteArray& data) override;
  long SetValue(RegHandle key, const QByteArray& text) override;
  long CloseKey(RegHandle key) override;
};

}  // namespace parvex

#endif
