#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <filesystem>

#include "engine/base/Failure.h"
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
    QJsonObject node = File()[QStringLiteral("HKEY_CURRENT_USER")].toObject();
    for (const QString& k : {QStringLiteral("software"), QStringLiteral("brenlo"),
                             QStringLiteral("parvex"), category.toLower()}) {
      node = node[QStringLiteral("keys")].toObject()[k].toObject();
    }
    if (name.isEmpty()) return node[QStringLiteral("default")].toObject();
    return node[QStringLiteral("values")].toObject()[name.toLower()].toObject();
  }
  // Writes a raw value the way another program (or a hand edit) might.
  void WriteRaw(const QString& category, const QString& name, std::uint32_t type,
                const QByteArray& data) {
    RegHandle key = 0;
    api->CreateKey(kHkeyCurrentUser, QStringLiteral("Software\\Brenlo\\Parvex\\") + category, key);
    api->SetValueEx(key, name, type, data);
    api->CloseKey(key);
  }

  RecordedErrors errors;
  TempDir dir;
  QString path = Q(dir.File("config/parvex/registry.json"));
  std::shared_ptr<FileRegistry> api = std::make_shared<FileRegistry>(path);
  clsRegistry* registry = nullptr;
};

TEST_F(Settings, DefaultsOfTheCatalogueAndReadingCreatesNothing) {
  const std::pair<const char*, SettingValue> defaults[] = {
      {"ReadOnly", SettingValue::Int32(0)},        {"Archive1", SettingValue::Text(QString())},
      {"Archive2", SettingValue::Text(QString())}, {"Struct1", SettingValue::Int32(0)},
      {"Struct2", SettingValue::Int32(1)},         {"SavePath", SettingValue::Text(QString())},
      {"MainMax", SettingValue::Int32(0)},         {"MainLeft", SettingValue::Int32(0)},
      {"MainTop", SettingValue::Int32(0)},         {"MainWidth", SettingValue::Int32(10000)},
      {"MainHeight", SettingValue::Int32(10000)},  {"MatchByAddress", SettingValue::Int32(0)},
      {"NumbersByValue", SettingValue::Int32(0)}};
  for (const auto& [name, value] : defaults) {
    EXPECT_EQ(registry->GetItem(QString::fromLatin1(name)), value) << name;
  }
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(errors.Shown().empty());
  EXPECT_EQ(registry->GetRegPath(), QStringLiteral("Software\\Brenlo\\Parvex\\"));
}

TEST_F(Settings, ValuesRoundTripAcrossRuns) {
  const QString unicode =
      QStringLiteral("/home/m\u00fcller/\u65e5\u672c/\u00e9t\u00e9 \U0001F600.arc");
  registry->SaveItem(QStringLiteral("Archive1"), SettingValue::Text(unicode));
  registry->SaveItem(QStringLiteral("MainLeft"), SettingValue::Single(-1234.5F));
  registry->SaveItem(QStringLiteral("Struct2"), SettingValue::Text(QStringLiteral(" 12 ")));
  registry->SaveItem(QStringLiteral("MainWidth"), SettingValue::Single(3.5F));
  registry->SaveItem(QStringLiteral("MainHeight"), SettingValue::Single(2.5F));

  // A new store over the same file, as the next start of the program.
  ConfigureRegistry(std::make_shared<FileRegistry>(path));
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("Archive1")), SettingValue::Text(unicode));
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("MainLeft")), SettingValue::Int32(-1234));
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("Struct2")), SettingValue::Int32(12));
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("MainWidth")), SettingValue::Int32(4));
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("MainHeight")), SettingValue::Int32(2));
  EXPECT_EQ(
      Stored(QStringLiteral("MainScreen"), QStringLiteral("MainHeight"))[QStringLiteral("type")]
          .toInt(),
      4);
  EXPECT_EQ(
      Stored(QStringLiteral("Misc"), QStringLiteral("Archive1"))[QStringLiteral("text")].toString(),
      unicode);
}

TEST_F(Settings, EmptyTextMarker) {
  registry->SaveItem(QStringLiteral("Archive1"), SettingValue::Text(QString()));
  EXPECT_EQ(
      Stored(QStringLiteral("Misc"), QStringLiteral("Archive1"))[QStringLiteral("text")].toString(),
      QStringLiteral("\\0"));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Archive1")), SettingValue::Text(QString()));
  registry->SaveItem(QStringLiteral("Archive2"), SettingValue::Text(QStringLiteral("\\0")));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Archive2")), SettingValue::Text(QString()));
  // A default that is the marker is handed out as the empty text as well.
  registry->AddItem(QStringLiteral("Marker"), QStringLiteral("Misc"), kHkeyCurrentUserCode,
                    ValueString, SettingValue::Text(QStringLiteral("\\0")));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Marker")), SettingValue::Text(QString()));
}

TEST_F(Settings, StoredValuesOfAnotherTypeReadAsDefaults) {
  WriteRaw(QStringLiteral("Misc"), QStringLiteral("Struct2"), kRegSz, "7");
  WriteRaw(QStringLiteral("Misc"), QStringLiteral("Struct1"), kRegBinary,
           QByteArray("\x05\0\0\0", 4));
  WriteRaw(QStringLiteral("Misc"), QStringLiteral("Archive1"), kRegDword,
           QByteArray("\x05\0\0\0", 4));
  WriteRaw(QStringLiteral("Misc"), QStringLiteral("ReadOnly"), kRegDword,
           QByteArray("\x01\0\0\0\0", 5));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Struct2")), SettingValue::Int32(1));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Struct1")), SettingValue::Int32(0));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Archive1")), SettingValue::Text(QString()));
  EXPECT_EQ(registry->GetItem(QStringLiteral("ReadOnly")), SettingValue::Int32(0));
}

TEST_F(Settings, TextsEndAtTheirFirstNul) {
  WriteRaw(QStringLiteral("Misc"), QStringLiteral("Archive1"), kRegSz, QByteArray("ab\0cd", 5));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Archive1")),
            SettingValue::Text(QStringLiteral("ab")));
  WriteRaw(QStringLiteral("Misc"), QStringLiteral("Archive2"), kRegSz, QByteArray("ab  "));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Archive2")),
            SettingValue::Text(QStringLiteral("ab  ")));
  // A NUL past position 32767 does not fit the 16-bit position.
  QByteArray far(40000, 'x');
  far[39000] = '\0';
  WriteRaw(QStringLiteral("Misc"), QStringLiteral("SavePath"), kRegSz, far);
  EXPECT_EQ(FailureNumber([&] { registry->GetItem(QStringLiteral("SavePath")); }), kErrOverflow);
}

TEST_F(Settings, NamesIgnoreCaseAndKeepTheirRegisteredSpelling) {
  registry->SaveItem(QStringLiteral("readonly"), SettingValue::Int32(1));
  EXPECT_EQ(
      Stored(QStringLiteral("Misc"), QStringLiteral("ReadOnly"))[QStringLiteral("name")].toString(),
      QStringLiteral("ReadOnly"));
  EXPECT_EQ(registry->GetItem(QStringLiteral("READONLY")), SettingValue::Int32(1));

  EXPECT_EQ(FailureNumber([&] { registry->GetItem(QStringLiteral("NoSuchSetting")); }), 5);
  EXPECT_THROW(registry->SaveItem(QStringLiteral("NoSuchSetting"), SettingValue::Int32(1)),
               Failure);
  EXPECT_THROW(registry->AddItem(QStringLiteral("savepath"), QStringLiteral("Other"),
                                 kHkeyCurrentUserCode, ValueDWord, SettingValue::Int16(5)),
               Failure);
  EXPECT_EQ(registry->GetItem(QStringLiteral("SavePath")), SettingValue::Text(QString()));
}

TEST_F(Settings, ConversionsOnSave) {
  registry->SaveItem(QStringLiteral("Struct1"), SettingValue::Text(QStringLiteral("12")));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Struct1")), SettingValue::Int32(12));
  EXPECT_EQ(FailureNumber([&] {
              registry->SaveItem(QStringLiteral("Struct1"),
                                 SettingValue::Text(QStringLiteral("abc")));
            }),
            kErrTypeMismatch);
  EXPECT_EQ(registry->GetItem(QStringLiteral("Struct1")), SettingValue::Int32(12));
  EXPECT_THROW(registry->SaveItem(QStringLiteral("Struct1"), SettingValue::Single(3e9F)), Failure);

  registry->AddItem(QStringLiteral("Flags"), QStringLiteral("Misc"), kHkeyCurrentUserCode,
                    ValueBytes, SettingValue::Int16(0));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Flags")), SettingValue::Int16(0));
  registry->SaveItem(QStringLiteral("Flags"), SettingValue::Int16(7));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Flags")),
            SettingValue::Bytes(QByteArray("\x07\0", 2)));
  registry->SaveItem(QStringLiteral("Flags"), SettingValue::Bytes(QByteArray("\x01\x02\x03")));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Flags")),
            SettingValue::Bytes(QByteArray("\x01\x02\x03")));
  EXPECT_THROW(registry->SaveItem(QStringLiteral("Flags"), SettingValue::Int32(256)), Failure);

  // Zero stored bytes cannot be read into an array.
  WriteRaw(QStringLiteral("Misc"), QStringLiteral("Flags"), kRegBinary, QByteArray());
  EXPECT_EQ(FailureNumber([&] { registry->GetItem(QStringLiteral("Flags")); }), kErrSubscript);
}

TEST_F(Settings, DefaultValueNameAndOtherTypeCodes) {
  registry->AddItem(QStringLiteral("Default"), QStringLiteral("Misc"), kHkeyCurrentUserCode,
                    ValueString, SettingValue::Text(QStringLiteral("fallback")));
  EXPECT_EQ(registry->GetItem(QStringLiteral("default")),
            SettingValue::Text(QStringLiteral("fallback")));
  registry->SaveItem(QStringLiteral("DEFAULT"), SettingValue::Text(QStringLiteral("unnamed")));
  EXPECT_EQ(Stored(QStringLiteral("Misc"), QString())[QStringLiteral("text")].toString(),
            QStringLiteral("unnamed"));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Default")),
            SettingValue::Text(QStringLiteral("unnamed")));

  registry->AddItem(QStringLiteral("Odd"), QStringLiteral("Other"), kHkeyCurrentUserCode, 3,
                    SettingValue::Int16(4));
  EXPECT_TRUE(registry->GetItem(QStringLiteral("Odd")).IsEmpty());
  registry->SaveItem(QStringLiteral("Odd"), SettingValue::Int16(4));
  // Nothing was written for it: its category key does not exist.
  EXPECT_EQ(test::ReadBytes(path.toStdString()).find("\"Other\""), std::string::npos);
}

TEST_F(Settings, DirectOperations) {
  registry->SaveItem(QStringLiteral("Archive1"), SettingValue::Text(QStringLiteral("a.arc")));
  const auto read = [this](const QString& p) {
    return registry->UGetItem(kHkeyCurrentUserCode, p, QStringLiteral("Archive1"), ValueString,
                              SettingValue::Text(QStringLiteral("none")));
  };
  EXPECT_EQ(read(registry->GetRegPath() + QStringLiteral("Misc")),
            SettingValue::Text(QStringLiteral("a.arc")));
  EXPECT_EQ(read(QStringLiteral("Misc")), SettingValue::Text(QStringLiteral("none")));
  registry->USaveItem(kHkeyCurrentUserCode, QStringLiteral("Misc"), QStringLiteral("Archive1"),
                      ValueString, SettingValue::Text(QStringLiteral("b.arc")));
  EXPECT_EQ(read(QStringLiteral("Misc")), SettingValue::Text(QStringLiteral("b.arc")));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Archive1")),
            SettingValue::Text(QStringLiteral("a.arc")));
  EXPECT_THROW(registry->UGetItem(kHkeyCurrentUserCode, QStringLiteral("Misc"), QStringLiteral("x"),
                                  ValueDWord, SettingValue::Text(QStringLiteral("abc"))),
               Failure);
}

TEST_F(Settings, TwoStoresOnOneFileKeepEachOthersValues) {
  clsRegistry other(std::make_shared<FileRegistry>(path));
  other.AddItem(QStringLiteral("Archive2"), QStringLiteral("Misc"), kHkeyCurrentUserCode,
                ValueString, SettingValue::Text(QString()));
  registry->SaveItem(QStringLiteral("Archive1"), SettingValue::Text(QStringLiteral("one")));
  other.SaveItem(QStringLiteral("Archive2"), SettingValue::Text(QStringLiteral("two")));
  registry->SaveItem(QStringLiteral("MainTop"), SettingValue::Int32(5));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Archive1")),
            SettingValue::Text(QStringLiteral("one")));
  EXPECT_EQ(registry->GetItem(QStringLiteral("Archive2")),
            SettingValue::Text(QStringLiteral("two")));
  EXPECT_EQ(registry->GetItem(QStringLiteral("MainTop")), SettingValue::Int32(5));
}

TEST_F(Settings, CorruptFileReadsAsDefaultsAndIsMovedAsideOnWrite) {
  QDir().mkpath(Q(dir.File("config/parvex")));
  dir.Write("config/parvex/registry.json", "{ this is not json");
  EXPECT_EQ(registry->GetItem(QStringLiteral("MainWidth")), SettingValue::Int32(10000));
  registry->SaveItem(QStringLiteral("MainWidth"), SettingValue::Int32(8000));
  EXPECT_EQ(registry->GetItem(QStringLiteral("MainWidth")), SettingValue::Int32(8000));
  const QStringList aside =
      QDir(Q(dir.File("config/parvex")))
          .entryList({QStringLiteral("registry.json.corrupt-*")}, QDir::Files);
  ASSERT_EQ(aside.size(), 1);
  EXPECT_EQ(test::ReadBytes(dir.File("config/parvex/" + aside[0].toStdString())),
            "{ this is not json");
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(Settings, UnwritableLocationStoresNothingQuietly) {
  // A regular file where the folder should be: no store can be made there.
  dir.Write("blocker", "x");
  ConfigureRegistry(std::make_shared<FileRegistry>(Q(dir.File("blocker/parvex/registry.json"))));
  gRegistry->SaveItem(QStringLiteral("Archive1"), SettingValue::Text(QStringLiteral("lost")));
  gRegistry->SaveItem(QStringLiteral("MainTop"), SettingValue::Int32(3));
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("Archive1")), SettingValue::Text(QString()));
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("MainTop")), SettingValue::Int32(0));
  EXPECT_TRUE(errors.Shown().empty());
}

TEST(SettingValue, Conversions) {
  EXPECT_EQ(SettingValue().ToText(), QString());
  EXPECT_EQ(SettingValue::Int16(-5).ToText(), QStringLiteral("-5"));
  EXPECT_EQ(SettingValue::Single(2.5F).ToText(), QStringLiteral("2.5"));
  EXPECT_EQ(SettingValue().ToInt32(), 0);
  EXPECT_EQ(SettingValue::Text(QStringLiteral(" 7 ")).ToInt32(), 7);
  EXPECT_EQ(SettingValue::Text(QStringLiteral("2.5")).ToInt32(), 2);
  EXPECT_EQ(SettingValue::Text(QStringLiteral("-3.5")).ToInt32(), -4);
  EXPECT_EQ(SettingValue::Single(255.4F).ToByte(), 255);
  struct Bad {
    SettingValue value;
    std::int32_t number;
  };
  const Bad bad[] = {{SettingValue::Text(QStringLiteral("abc")), kErrTypeMismatch},
                     {SettingValue::Text(QString()), kErrTypeMismatch},
                     {SettingValue::Single(3e9F), kErrOverflow},
                     {SettingValue::Text(QStringLiteral("-2147483649")), kErrOverflow},
                     {SettingValue::Bytes(QByteArray("a")), kErrTypeMismatch}};
  for (const Bad& b : bad) {
    EXPECT_EQ(FailureNumber([&] { b.value.ToInt32(); }), b.number)
        << b.value.ToText().toStdString();
  }
  EXPECT_THROW(SettingValue::Int32(256).ToByte(), Failure);
  EXPECT_THROW(SettingValue::Int32(-1).ToByte(), Failure);
}

#ifdef _WIN32
// The settings in the Windows registry itself (Wine's, in the Windows stage):
// each value under its key with the type it is registered with, and read back
// by the store of a later run, a path outside the ANSI code page included.
TEST(WindowsRegistry, ValuesKeepTheirKeysAndTypesAcrossRuns) {
  RecordedErrors errors;
  const QString path = QStringLiteral("C:\\Daten\\\u00dcbersicht \u65e5.arc");
  ConfigureRegistry(std::make_shared<WinRegistry>());
  gRegistry->SaveItem(QStringLiteral("Archive1"), SettingValue::Text(path));
  gRegistry->SaveItem(QStringLiteral("MainWidth"), SettingValue::Single(12345.4F));
  ConfigureRegistry(std::make_shared<WinRegistry>());
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("Archive1")), SettingValue::Text(path));
  EXPECT_EQ(gRegistry->GetItem(QStringLiteral("MainWidth")), SettingValue::Int32(12345));
  struct Stored {
    const char* key;
    const char* name;
    std::uint32_t type;
  };
  WinRegistry api;
  for (const Stored& v :
       {Stored{"Misc", "Archive1", kRegSz}, Stored{"MainScreen", "MainWidth", kRegDword}}) {
    RegHandle key = 0;
    ASSERT_EQ(api.OpenKey(kHkeyCurrentUser,
                          QStringLiteral("Software\\Brenlo\\Parvex\\") + QLatin1String(v.key), key),
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
      if (reader.UGetItem(kHkeyCurrentUserCode, QStringLiteral("Stress"), name, ValueDWord,
                          SettingValue::Int32(-1)) == SettingValue::Int32(i)) {
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
