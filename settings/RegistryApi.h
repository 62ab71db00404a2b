#pragma once

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdint>

namespace parvex {

// The registry operations the settings store needs, with the registry's own
// handles, value types and result codes.
using RegHandle = std::uint64_t;

inline constexpr RegHandle kHkeyClassesRoot = 0x80000000U;
inline constexpr RegHandle kHkeyCurrentUser = 0x80000001U;
inline constexpr RegHandle kHkeyLocalMachine = 0x80000002U;
inline constexpr RegHandle kHkeyUsers = 0x80000003U;
inline constexpr RegHandle kHkeyCurrentConfig = 0x80000005U;

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

inline constexpr long kRegOk = 0;
inline constexpr long kRegNotFound = 2;
inline constexpr long kRegAccessDenied = 5;
inline constexpr long kRegInvalidHandle = 6;
inline constexpr long kRegMoreData = 234;

// Hands a value's bytes out as the registry does: without a buffer only the
// size; into a buffer too small, kRegMoreData and the size needed.
template <typename Size>
long CopyRegistryData(const QByteArray& value, QByteArray* data, Size& size) {
  const auto needed = static_cast<Size>(value.size());
  if (data == nullptr) {
    size = needed;
    return kRegOk;
  }
  if (needed > size) {
    size = needed;
    return kRegMoreData;
  }
  data->resize(static_cast<qsizetype>(size));
  std::copy(value.begin(), value.end(), data->begin());
  size = needed;
  return kRegOk;
}

class RegistryApi {
 public:
  virtual ~RegistryApi() = default;

  // Gives a handle to an existing key; never creates one. A missing key leaves
  // the handle 0.
  virtual long OpenKey(RegHandle root, const QString& path, RegHandle& key) = 0;
  // Gives a handle to the key, creating it and every missing key on the path.
  virtual long CreateKey(RegHandle root, const QString& path, RegHandle& key) = 0;
  // Without data (nullptr): reports type and size in bytes. With data: fills
  // at most size bytes; a larger value gives kRegMoreData and the size needed.
  virtual long QueryValueEx(RegHandle key, const QString& name, std::uint32_t& type,
                            QByteArray* data, std::uint32_t& size) = 0;
  // The key's unnamed default value as text, counting a terminating NUL. With
  // a buffer too small, reports the size needed.
  virtual long QueryValue(RegHandle key, QByteArray* data, std::int32_t& size) = 0;
  virtual long SetValueEx(RegHandle key, const QString& name, std::uint32_t type,
                          const QByteArray& data) = 0;
  virtual long SetValue(RegHandle key, const QByteArray& text) = 0;
  virtual long CloseKey(RegHandle key) = 0;
};

}  // namespace parvex
