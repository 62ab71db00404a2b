#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "settings/Catalogue.h"
#include "settings/FileRegistry.h"
#include "settings/Registry.h"
#ifdef _WIN32
#include "settings/WinRegistry.h"
#endif
#include "support/QtText.h"
#include "support/TestSupport.h"

namespace parvex::test {
namespace {

using namespace Qt::StringLiterals;

// The number of the failure the step throws; 0 for none.
template <typename Step>
std::int32_t FailureNumber(Step step) {
  try {
    step();
  } catch (const Failure& f) {
    return f.Number();
  }
  return 0;
}

// A setting of the catalogue as read, and saved.
SettingValue Get(const char* name) {
  return gRegistry->GetItem(QLatin1String(name));
}
void Save(const char* name, const SettingValue& value) {
  gRegistry->SaveItem(QLatin1String(name), value);
}
SettingValue Text(const QString& text = {}) {
  return SettingValue::Text(text);
}
SettingValue Int(std::int32_t value) {
  return SettingValue::Int32(value);
}

class Settings : public ::testing::Test {
 protected:
  Settings() {
    ConfigureRegistry(api);
    registry = gRegistry.get();
  }

  QJsonObject File() const {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(f.readAll()).object();
  }
  // The stored object of a value under HKEY_CURRENT_USER\Software\Brenlo\Parvex\<category>.
  QJsonObject Stored(const QString& category, const QString& name) const {
    QJsonObject node = File()[u"HKEY_CURRENT_USER"_s].toObject();
    for (const QString& k : {u"software"_s, u"brenlo"_s, u"parvex"_s, category.toLower()}) {
      node = node[u"keys"_s].toObject()[k].toObject();
    }
    if (name.isEmpty()) return node[u"default"_s].toObject();
    return node[u"values"_s].toObject()[name.toLower()].toObject();
  }
  // Writes a raw value the way another program (or a hand edit) might.
  void WriteRaw(const QString& category, const QString& name, std::uint32_t type,
                const QByteArray& data) {
    RegHandle key = 0;
    api->CreateKey(kHkeyCurrentUser, u"Software\\Brenlo\\Parvex\\"_s + category, key);
    api->SetValueEx(key, name, type, data);
    api->CloseKey(key);
  }

  RecordedErrors errors;
  TempDir dir;
  QString path = Q(dir.File("config/parvex/registry.json"));
  std::shared_ptr<FileRegistry> api = std::make_shared<FileRegistry>(path);
  clsRegistry* registry = nullptr;
};

// The catalogue's defaults are held where a person sees them (a first start).
TEST_F(Settings, ReadingCreatesNothing) {
  EXPECT_EQ(Get("MainWidth"), Int(10000));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(errors.Shown().empty());
  EXPECT_EQ(registry->GetRegPath(), u"Software\\Brenlo\\Parvex\\"_s);
}

TEST_F(Settings, ValuesRoundTripAcrossRuns) {
  const QString unicode = u"/home/m\u00fcller/\u65e5\u672c/\u00e9t\u00e9 \U0001F600.arc"_s;
  Save("Archive1", Text(unicode));
  Save("MainLeft", SettingValue::Single(-1234.5F));
  Save("Struct2", Text(u" 12 "_s));
  Save("MainWidth", SettingValue::Single(3.5F));
  Save("MainHeight", SettingValue::Single(2.5F));

  // A new store over the same file, as the next start of the program.
  ConfigureRegistry(std::make_shared<FileRegistry>(path));
  EXPECT_EQ(Get("Archive1"), Text(unicode));
  EXPECT_EQ(Get("MainLeft"), Int(-1234));
  EXPECT_EQ(Get("Struct2"), Int(12));
  EXPECT_EQ(Get("MainWidth"), Int(4));
  EXPECT_EQ(Get("MainHeight"), Int(2));
  EXPECT_EQ(Stored(u"MainScreen"_s, u"MainHeight"_s)[u"type"_s].toInt(), 4);
  EXPECT_EQ(Stored(u"Misc"_s, u"Archive1"_s)[u"text"_s].toString(), unicode);
}

TEST_F(Settings, EmptyTextMarker) {
  Save("Archive1", Text());
  EXPECT_EQ(Stored(u"Misc"_s, u"Archive1"_s)[u"text"_s].toString(), u"\\0"_s);
  EXPECT_EQ(Get("Archive1"), Text());
  Save("Archive2", Text(u"\\0"_s));
  EXPECT_EQ(Get("Archive2"), Text());
  // A default that is the marker is handed out as the empty text as well.
  registry->AddItem(u"Marker"_s, u"Misc"_s, kHkeyCurrentUserCode, ValueString, Text(u"\\0"_s));
  EXPECT_EQ(Get("Marker"), Text());
}

// Values written by another program or by hand: another type reads as the
// default, a text ends at its first NUL.
TEST_F(Settings, StoredValuesAsRead) {
  struct Case {
    const char* name;
    std::uint32_t type;
    QByteArray data;
    SettingValue read;
  };
  const Case cases[] = {{"Struct2", kRegSz, "7", Int(1)},
                        {"Struct1", kRegBinary, QByteArray("\x05\0\0\0", 4), Int(0)},
                        {"Archive1", kRegDword, QByteArray("\x05\0\0\0", 4), Text()},
                        {"ReadOnly", kRegDword, QByteArray("\x01\0\0\0\0", 5), Int(0)},
                        {"Archive2", kRegSz, QByteArray("ab\0cd", 5), Text(u"ab"_s)},
                        {"SavePath", kRegSz, "ab  ", Text(u"ab  "_s)}};
  for (const Case& c : cases) {
    WriteRaw(u"Misc"_s, QLatin1String(c.name), c.type, c.data);
    EXPECT_EQ(Get(c.name), c.read) << c.name;
  }
  // A NUL past position 32767 does not fit the 16-bit position.
  QByteArray far(40000, 'x');
  far[39000] = '\0';
  WriteRaw(u"Misc"_s, u"SavePath"_s, kRegSz, far);
  EXPECT_EQ(FailureNumber([&] { Get("SavePath"); }), kErrOverflow);
}

TEST_F(Settings, NamesIgnoreCaseAndKeepTheirRegisteredSpelling) {
  Save("readonly", Int(1));
  EXPECT_EQ(Stored(u"Misc"_s, u"ReadOnly"_s)[u"name"_s].toString(), u"ReadOnly"_s);
  EXPECT_EQ(Get("READONLY"), Int(1));

  EXPECT_EQ(FailureNumber([&] { Get("NoSuchSetting"); }), 5);
  EXPECT_THROW(Save("NoSuchSetting", Int(1)), Failure);
  EXPECT_THROW(registry->AddItem(u"savepath"_s, u"Other"_s, kHkeyCurrentUserCode, ValueDWord,
                                 SettingValue::Int16(5)),
               Failure);
  EXPECT_EQ(Get("SavePath"), Text());
}

TEST_F(Settings, ConversionsOnSave) {
  Save("Struct1", Text(u"12"_s));
  EXPECT_EQ(Get("Struct1"), Int(12));
  EXPECT_EQ(FailureNumber([&] { Save("Struct1", Text(u"abc"_s)); }), kErrTypeMismatch);
  EXPECT_EQ(Get("Struct1"), Int(12));
  EXPECT_THROW(Save("Struct1", SettingValue::Single(3e9F)), Failure);

  registry->AddItem(u"Flags"_s, u"Misc"_s, kHkeyCurrentUserCode, ValueBytes,
                    SettingValue::Int16(0));
  EXPECT_EQ(Get("Flags"), SettingValue::Int16(0));
  Save("Flags", SettingValue::Int16(7));
  EXPECT_EQ(Get("Flags"), SettingValue::Bytes(QByteArray("\x07\0", 2)));
  Save("Flags", SettingValue::Bytes(QByteArray("\x01\x02\x03")));
  EXPECT_EQ(Get("Flags"), SettingValue::Bytes(QByteArray("\x01\x02\x03")));
  EXPECT_THROW(Save("Flags", Int(256)), Failure);

  // Zero stored bytes cannot be read into an array.
  WriteRaw(u"Misc"_s, u"Flags"_s, kRegBinary, QByteArray());
  EXPECT_EQ(FailureNumber([&] { Get("Flags"); }), kErrSubscript);
}

TEST_F(Settings, TwoStoresOnOneFileKeepEachOthersValues) {
  clsRegistry other(std::make_shared<FileRegistry>(path));
  other.AddItem(u"Archive2"_s, u"Misc"_s, kHkeyCurrentUserCode, ValueString, Text());
  Save("Archive1", Text(u"one"_s));
  other.SaveItem(u"Archive2"_s, Text(u"two"_s));
  Save("MainTop", Int(5));
  EXPECT_EQ(Get("Archive1"), Text(u"one"_s));
  EXPECT_EQ(Get("Archive2"), Text(u"two"_s));
  EXPECT_EQ(Get("MainTop"), Int(5));
}

TEST_F(Settings, CorruptFileReadsAsDefaultsAndIsMovedAsideOnWrite) {
  QDir().mkpath(Q(dir.File("config/parvex")));
  dir.Write("config/parvex/registry.json", "{ this is not json");
  EXPECT_EQ(Get("MainWidth"), Int(10000));
  Save("MainWidth", Int(8000));
  EXPECT_EQ(Get("MainWidth"), Int(8000));
  const QStringList aside =
      QDir(Q(dir.File("config/parvex"))).entryList({u"registry.json.corrupt-*"_s}, QDir::Files);
  ASSERT_EQ(aside.size(), 1);
  EXPECT_EQ(test::ReadBytes(dir.File("config/parvex/" + aside[0].toStdString())),
            "{ this is not json");
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(Settings, UnwritableLocationStoresNothingQuietly) {
  // A regular file where the folder should be: no store can be made there.
  dir.Write("blocker", "x");
  ConfigureRegistry(std::make_shared<FileRegistry>(Q(dir.File("blocker/parvex/registry.json"))));
  Save("Archive1", Text(u"lost"_s));
  Save("MainTop", Int(3));
  EXPECT_EQ(Get("Archive1"), Text());
  EXPECT_EQ(Get("MainTop"), Int(0));
  EXPECT_TRUE(errors.Shown().empty());
}

TEST(SettingValue, Conversions) {
  EXPECT_EQ(SettingValue().ToText(), QString());
  EXPECT_EQ(SettingValue().ToInt32(), 0);
  EXPECT_EQ(Text(u" 7 "_s).ToInt32(), 7);
  EXPECT_EQ(Text(u"2.5"_s).ToInt32(), 2);
  EXPECT_EQ(Text(u"-3.5"_s).ToInt32(), -4);
  EXPECT_EQ(SettingValue::Single(255.4F).ToByte(), 255);
  struct Bad {
    SettingValue value;
    std::int32_t number;
  };
  const Bad bad[] = {{Text(u"abc"_s), kErrTypeMismatch},
                     {Text(), kErrTypeMismatch},
                     {SettingValue::Single(3e9F), kErrOverflow},
                     {Text(u"-2147483649"_s), kErrOverflow},
                     {SettingValue::Bytes(QByteArray("a")), kErrTypeMismatch}};
  for (const Bad& b : bad) {
    EXPECT_EQ(FailureNumber([&] { b.value.ToInt32(); }), b.number)
        << b.value.ToText().toStdString();
  }
  EXPECT_THROW(Int(256).ToByte(), Failure);
  EXPECT_THROW(Int(-1).ToByte(), Failure);
}

#ifdef _WIN32
// The settings in the Windows registry itself (Wine's, in the Windows stage):
// each value under its key with the type it is registered with, and read back
// by the store of a later run, a path outside the ANSI code page included.
TEST(WindowsRegistry, ValuesKeepTheirKeysAndTypesAcrossRuns) {
  RecordedErrors errors;
  const QString path = u"C:\\Daten\\\u00dcbersicht \u65e5.arc"_s;
  ConfigureRegistry(std::make_shared<WinRegistry>());
  Save("Archive1", Text(path));
  Save("MainWidth", SettingValue::Single(12345.4F));
  ConfigureRegistry(std::make_shared<WinRegistry>());
  EXPECT_EQ(Get("Archive1"), Text(path));
  EXPECT_EQ(Get("MainWidth"), Int(12345));
  struct Stored {
    const char* key;
    const char* name;
    std::uint32_t type;
  };
  WinRegistry api;
  for (const Stored& v :
       {Stored{"Misc", "Archive1", kRegSz}, Stored{"MainScreen", "MainWidth", kRegDword}}) {
    RegHandle key = 0;
    ASSERT_EQ(
        api.OpenKey(kHkeyCurrentUser, u"Software\\Brenlo\\Parvex\\"_s + QLatin1String(v.key), key),
        kRegOk)
        << v.key;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(api.QueryValueEx(key, QLatin1String(v.name), type, nullptr, size), kRegOk);
    EXPECT_EQ(type, v.type) << v.name;
    api.CloseKey(key);
  }
  EXPECT_TRUE(errors.Shown().empty());
}
#endif

#ifndef _WIN32
// Two processes saving different values into one file at the same time.
TEST(SettingsStress, ConcurrentWritersLoseNothing) {
  TempDir dir;
  const std::string file = dir.File("registry.json");
  const int count = 150;  // PARVEX_STRESS_COUNT=1000 scripts/... for the long run
  const char* env = std::getenv("PARVEX_STRESS_COUNT");
  const int n = env != nullptr ? std::atoi(env) : count;
  const std::string writer = PARVEX_STRESS_WRITER;
  const std::string command = "'" + writer + "' '" + file + "' A " + std::to_string(n) + " & '" +
                              writer + "' '" + file + "' B " + std::to_string(n) + "; wait";
  ASSERT_EQ(std::system(command.c_str()), 0);
  FileRegistry api(Q(file));
  clsRegistry reader(std::make_shared<FileRegistry>(Q(file)));
  int found = 0;
  for (const char* prefix : {"A", "B"}) {
    for (int i = 0; i < n; ++i) {
      const QString name = QString::fromLatin1(prefix) + QString::number(i);
      if (reader.UGetItem(kHkeyCurrentUserCode, u"Stress"_s, name, ValueDWord, Int(-1)) == Int(i)) {
        ++found;
      }
    }
  }
  EXPECT_EQ(found, 2 * n);
}

// A program reading the file while another process saves into it finds a
// whole file every time: each save replaces the file, never rewrites it.
TEST(SettingsStress, ReaderNeverSeesAHalfWrittenFile) {
  TempDir dir;
  const std::string file = dir.File("registry.json");
  const std::string done = dir.File("done");
  const std::string command = "('" + std::string(PARVEX_STRESS_WRITER) + "' '" + file +
                              "' A 400; touch '" + done + "') >/dev/null 2>&1 &";
  ASSERT_EQ(std::system(command.c_str()), 0);
  int reads = 0;
  int broken = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!std::filesystem::exists(done) && std::chrono::steady_clock::now() < deadline) {
    QFile f(Q(file));
    if (!f.open(QIODevice::ReadOnly)) continue;
    ++reads;
    if (!QJsonDocument::fromJson(f.readAll()).isObject()) ++broken;
  }
  ASSERT_TRUE(std::filesystem::exists(done)) << "the writer did not finish";
  EXPECT_GE(reads, 20);
  EXPECT_EQ(broken, 0) << "of " << reads << " reads";
}
#endif

}  // namespace
}  // namespace parvex::test
