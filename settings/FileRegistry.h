#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <map>

#include "settings/RegistryApi.h"

namespace parvex {

// A per-user registry kept in one JSON file: root keys, keys, typed values
// and one unnamed default value per key. Names compare without regard to case
// and keep their spelling. Every read reads the file anew; every write
// re-reads it, changes it and replaces it atomically while holding a lock
// file, so two running copies never lose each other's settings and a failed
// write leaves the previous file intact.
class FileRegistry final : public RegistryApi {
 public:
  // The file under the user's configuration folder.
  FileRegistry();
  explicit FileRegistry(QString filePath);

  static QString DefaultFilePath();
  const QString& FilePath() const { return filePath_; }

  long OpenKey(RegHandle root, const QString& path, RegHandle& key) override;
  long CreateKey(RegHandle root, const QString& path, RegHandle& key) override;
  long QueryValueEx(RegHandle key, const QString& name, std::uint32_t& type, QByteArray* data,
                    std::uint32_t& size) override;
  long QueryValue(RegHandle key, QByteArray* data, std::int32_t& size) override;
  long SetValueEx(RegHandle key, const QString& name, std::uint32_t type,
                  const QByteArray& data) override;
  long SetValue(RegHandle key, const QByteArray& text) override;
  long CloseKey(RegHandle key) override;

 private:
  struct KeyRef {
    QString root;
    QStringList path;
  };
  struct Value {
    std::uint32_t type = 0;
    QByteArray data;
  };

  bool Resolve(RegHandle key, KeyRef& ref) const;
  RegHandle NewHandle(KeyRef ref);
  // Reads the file; an unreadable or unparsable one reads as empty.
  QJsonObject Load(bool* corrupt = nullptr) const;
  // Finds the key's object, or returns false.
  static bool FindKey(const QJsonObject& doc, const KeyRef& ref, QJsonObject& key);
  long ReadValue(RegHandle key, const QString* name, Value& value) const;
  // Read-modify-write under the lock; edit returns false to write nothing.
  template <typename Edit>
  long Modify(Edit&& edit);

  QString filePath_;
  std::map<RegHandle, KeyRef> handles_;
  RegHandle nextHandle_ = 1;
};

}  // namespace parvex
