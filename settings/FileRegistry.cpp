#include "settings/FileRegistry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace parvex {

namespace {

// How long a save waits for another program's saves into the same file. The
// lock is not fair: a program saving value after value can hold it for
// seconds on a busy machine, and a save that gave up would be lost, so the
// wait is as long as a lock counts as held (QLockFile's stale time).
constexpr int kLockTimeoutMs = 30000;

QString RootName(RegHandle root) {
  switch (root) {
    case kHkeyClassesRoot:
      return QStringLiteral("HKEY_CLASSES_ROOT");
    case kHkeyCurrentUser:
      return QStringLiteral("HKEY_CURRENT_USER");
    case kHkeyLocalMachine:
      return QStringLiteral("HKEY_LOCAL_MACHINE");
    case kHkeyUsers:
      return QStringLiteral("HKEY_USERS");
    case kHkeyCurrentConfig:
      return QStringLiteral("HKEY_CURRENT_CONFIG");
    default:
      return QString();
  }
}

QStringList SplitPath(const QString& path) {
  return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// Objects of the file are keyed by the lower-case name; each keeps its spelling
// in "name".
QString Fold(const QString& name) {
  return name.toLower();
}

const QString kKeys = QStringLiteral("keys");
const QString kValues = QStringLiteral("values");
const QString kDefault = QStringLiteral("default");
const QString kName = QStringLiteral("name");
const QString kType = QStringLiteral("type");

QJsonObject EncodeValue(const QString& name, std::uint32_t type, const QByteArray& data) {
  QJsonObject v;
  if (!name.isNull()) v[kName] = name;
  v[kType] = static_cast<qint64>(type);
  // Texts and numbers stay readable in the file; anything else is hex.
  if (type == kRegSz) {
    v[QStringLiteral("text")] = QString::fromUtf8(data);
  } else if (type == kRegDword && data.size() == 4) {
    std::int32_t n = 0;
    for (int i = 3; i >= 0; --i)
      n = static_cast<std::int32_t>((n << 8) | static_cast<std::uint8_t>(data[i]));
    v[QStringLiteral("dword")] = n;
  } else {
    v[QStringLiteral("hex")] = QString::fromLatin1(data.toHex());
  }
  return v;
}

bool DecodeValue(const QJsonObject& v, std::uint32_t& type, QByteArray& data) {
  if (!v.contains(kType)) return false;
  type = static_cast<std::uint32_t>(v[kType].toInteger());
  if (v.contains(QStringLiteral("text"))) {
    data = v[QStringLiteral("text")].toString().toUtf8();
  } else if (v.contains(QStringLiteral("dword"))) {
    const auto n = static_cast<std::uint32_t>(v[QStringLiteral("dword")].toInteger());
    data.resize(4);
    for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((n >> (8 * i)) & 0xFFU);
  } else {
    data = QByteArray::fromHex(v[QStringLiteral("hex")].toString().toLatin1());
  }
  return true;
}

}  // namespace

FileRegistry::FileRegistry() : FileRegistry(DefaultFilePath()) {}

FileRegistry::FileRegistry(QString filePath) : filePath_(std::move(filePath)) {}

QString FileRegistry::DefaultFilePath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/parvex/registry.json");
}

bool FileRegistry::Resolve(RegHandle key, KeyRef& ref) const {
  const QString root = RootName(key);
  if (!root.isEmpty()) {
    ref = KeyRef{root, {}};
    return true;
  }
  const auto it = handles_.find(key);
  if (it == handles_.end()) return false;
  ref = it->second;
  return true;
}

RegHandle FileRegistry::NewHandle(KeyRef ref) {
  const RegHandle handle = nextHandle_++;
  handles_[handle] = std::move(ref);
  return handle;
}

QJsonObject FileRegistry::Load(bool* corrupt) const {
  if (corrupt != nullptr) *corrupt = false;
  QFile file(filePath_);
  if (!file.exists()) return {};
  if (!file.open(QIODevice::ReadOnly)) return {};
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) {
    if (corrupt != nullptr) *corrupt = true;
    return {};
  }
  return doc.object();
}

bool FileRegistry::FindKey(const QJsonObject& doc, const KeyRef& ref, QJsonObject& key) {
  if (!doc.contains(ref.root)) return false;
  QJsonObject node = doc[ref.root].toObject();
  for (const QString& piece : ref.path) {
    const QJsonObject children = node[kKeys].toObject();
    const auto it = children.find(Fold(piece));
    if (it == children.end()) return false;
    node = it->toObject();
  }
  key = node;
  return true;
}

long FileRegistry::OpenKey(RegHandle root, const QString& path, RegHandle& key) {
  key = 0;
  KeyRef ref;
  if (!Resolve(root, ref)) return kRegInvalidHandle;
  ref.path += SplitPath(path);
  QJsonObject found;
  if (!FindKey(Load(), ref, found)) return kRegNotFound;
  key = NewHandle(std::move(ref));
  return kRegOk;
}

template <typename Edit>
long FileRegistry::Modify(Edit&& edit) {
  const QFileInfo info(filePath_);
  if (!QDir().mkpath(info.absolutePath())) return kRegAccessDenied;
  QLockFile lock(filePath_ + QStringLiteral(".lock"));
  if (!lock.tryLock(kLockTimeoutMs)) return kRegAccessDenied;

  bool corrupt = false;
  QJsonObject doc = Load(&corrupt);
  if (corrupt) {
    // Keep the damaged file where a person can find it, and start afresh.
    const QString aside = filePath_ + QStringLiteral(".corrupt-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QFile::remove(aside);
    QFile::rename(filePath_, aside);
  }
  if (!edit(doc)) return kRegOk;

  QSaveFile out(filePath_);
  if (!out.open(QIODevice::WriteOnly)) return kRegAccessDenied;
  const QByteArray bytes = QJsonDocument(doc).toJson(QJsonDocument::Indented);
  if (out.write(bytes) != bytes.size() || !out.commit()) return kRegAccessDenied;
  return kRegOk;
}

namespace {

// Walks the path from the root object, creating missing keys, and gives the
// edited tree back. Recursion keeps QJsonObject's value semantics simple.
QJsonObject WithKey(QJsonObject node, const QStringList& path, int index,
                    const std::function<void(QJsonObject&)>& change) {
  if (index == path.size()) {
    change(node);
    return node;
  }
  QJsonObject children = node[kKeys].toObject();
  const QString folded = Fold(path[index]);
  QJsonObject child = children[folded].toObject();
  if (!child.contains(kName)) child[kName] = path[index];
  children[folded] = WithKey(child, path, index + 1, change);
  node[kKeys] = children;
  return node;
}

}  // namespace

long FileRegistry::CreateKey(RegHandle root, const QString& path, RegHandle& key) {
  key = 0;
  KeyRef ref;
  if (!Resolve(root, ref)) return kRegInvalidHandle;
  ref.path += SplitPath(path);
  const long result = Modify([&ref](QJsonObject& doc) {
    QJsonObject found;
    if (FindKey(doc, ref, found)) return false;
    doc[ref.root] = WithKey(doc[ref.root].toObject(), ref.path, 0, [](QJsonObject&) {});
    return true;
  });
  if (result != kRegOk) return result;
  key = NewHandle(std::move(ref));
  return kRegOk;
}

long FileRegistry::ReadValue(RegHandle key, const QString* name, Value& value) const {
  KeyRef ref;
  if (!Resolve(key, ref)) return kRegInvalidHandle;
  QJsonObject node;
  if (!FindKey(Load(), ref, node)) return kRegNotFound;
  QJsonObject v;
  if (name == nullptr || name->isEmpty()) {
    v = node[kDefault].toObject();
  } else {
    v = node[kValues].toObject()[Fold(*name)].toObject();
  }
  if (!DecodeValue(v, value.type, value.data)) return kRegNotFound;
  return kRegOk;
}

long FileRegistry::QueryValueEx(RegHandle key, const QString& name, std::uint32_t& type,
                                QByteArray* data, std::uint32_t& size) {
  Value value;
  const long result = ReadValue(key, &name, value);
  if (result != kRegOk) return result;
  type = value.type;
  return CopyRegistryData(value.data, data, size);
}

long FileRegistry::QueryValue(RegHandle key, QByteArray* data, std::int32_t& size) {
  Value value;
  const long result = ReadValue(key, nullptr, value);
  if (result != kRegOk) return result;
  // The text with its terminating NUL, as the registry reports it.
  QByteArray text = value.data;
  text.append('\0');
  return CopyRegistryData(text, data, size);
}

long FileRegistry::SetValueEx(RegHandle key, const QString& name, std::uint32_t type,
                              const QByteArray& data) {
  KeyRef ref;
  if (!Resolve(key, ref)) return kRegInvalidHandle;
  return Modify([&](QJsonObject& doc) {
    doc[ref.root] = WithKey(doc[ref.root].toObject(), ref.path, 0, [&](QJsonObject& node) {
      if (name.isEmpty()) {
        node[kDefault] = EncodeValue(QString(), type, data);
        return;
      }
      QJsonObject values = node[kValues].toObject();
      const QString folded = Fold(name);
      // A value keeps the spelling it was first written with.
      const QString spelling =
          values.contains(folded) ? values[folded].toObject()[kName].toString() : name;
      values[folded] = EncodeValue(spelling, type, data);
      node[kValues] = values;
    });
    return true;
  });
}

long FileRegistry::SetValue(RegHandle key, const QByteArray& text) {
  return SetValueEx(key, QString(), kRegSz, text);
}

long FileRegistry::CloseKey(RegHandle key) {
  return handles_.erase(key) > 0 || !RootName(key).isEmpty() ? kRegOk : kRegInvalidHandle;
}

}  // namespace parvex
