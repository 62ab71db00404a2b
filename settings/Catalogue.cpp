#include "settings/Catalogue.h"

#include "engine/base/ErrorReport.h"
#include "settings/FileRegistry.h"

#ifdef _WIN32
#include "settings/WinRegistry.h"
#endif

namespace parvex {

std::unique_ptr<clsRegistry> gRegistry;

std::shared_ptr<RegistryApi> DefaultRegistryApi() {
#ifdef _WIN32
  return std::make_shared<WinRegistry>();
#else
  return std::make_shared<FileRegistry>();
#endif
}

void ConfigureRegistry(std::shared_ptr<RegistryApi> api) {
  try {
    gRegistry = std::make_unique<clsRegistry>(std::move(api));
    const QString misc = QStringLiteral("Misc");
    const QString screen = QStringLiteral("MainScreen");
    const SettingValue noText = SettingValue::Text(QString());
    const auto number = [](std::int16_t n) { return SettingValue::Int16(n); };
    clsRegistry& r = *gRegistry;
    r.AddItem(QStringLiteral("ReadOnly"), misc, kHkeyCurrentUserCode, ValueDWord, number(0));
    r.AddItem(QStringLiteral("Archive1"), misc, kHkeyCurrentUserCode, ValueString, noText);
    r.AddItem(QStringLiteral("Archive2"), misc, kHkeyCurrentUserCode, ValueString, noText);
    r.AddItem(QStringLiteral("Struct1"), misc, kHkeyCurrentUserCode, ValueDWord, number(0));
    r.AddItem(QStringLiteral("Struct2"), misc, kHkeyCurrentUserCode, ValueDWord, number(1));
    r.AddItem(QStringLiteral("SavePath"), misc, kHkeyCurrentUserCode, ValueString, noText);
    r.AddItem(QStringLiteral("MainMax"), screen, kHkeyCurrentUserCode, ValueDWord, number(0));
    r.AddItem(QStringLiteral("MainLeft"), screen, kHkeyCurrentUserCode, ValueDWord, number(0));
    r.AddItem(QStringLiteral("MainTop"), screen, kHkeyCurrentUserCode, ValueDWord, number(0));
    r.AddItem(QStringLiteral("MainWidth"), screen, kHkeyCurrentUserCode, ValueDWord, number(10000));
    r.AddItem(QStringLiteral("MainHeight"), screen, kHkeyCurrentUserCode, ValueDWord,
              number(10000));
    // The comparison options of the Options menu: 1 on, 0 off.
    r.AddItem(QStringLiteral("MatchByAddress"), misc, kHkeyCurrentUserCode, ValueDWord, number(0));
    r.AddItem(QStringLiteral("NumbersByValue"), misc, kHkeyCurrentUserCode, ValueDWord, number(0));
    r.AddItem(QStringLiteral("CompareUnits"), misc, kHkeyCurrentUserCode, ValueDWord, number(0));
    // The rules file every comparison reads; empty: none.
    r.AddItem(QStringLiteral("RulesFile"), misc, kHkeyCurrentUserCode, ValueString, noText);
    // The history store the History window uses, written only once a person
    // chooses one; empty: the default store in the user's data folder.
    r.AddItem(QStringLiteral("HistoryStore"), misc, kHkeyCurrentUserCode, ValueString, noText);
    // Taking values: how the last one was written (0 a new archive, 1 the
    // archive replaced, 2 a change set), whether missing lines were added,
    // and the folder chosen last.
    r.AddItem(QStringLiteral("TakeOutput"), misc, kHkeyCurrentUserCode, ValueDWord, number(0));
    r.AddItem(QStringLiteral("TakeAddMissing"), misc, kHkeyCurrentUserCode, ValueDWord, number(0));
    r.AddItem(QStringLiteral("TakeFolder"), misc, kHkeyCurrentUserCode, ValueString, noText);
    // The Compare with Reference window: its reference, its archives (UTF-8,
    // each path ended by a line feed: a text value would stop at 32 KiB),
    // which of them a folder brought ('1' or '0' for each), its include
    // globs, whether it ignores units, and its placement and split between
    // summary and matrix as the window toolkit saves them.
    const QString reference = QStringLiteral("ReferenceScreen");
    const SettingValue noBytes = SettingValue::Bytes(QByteArray());
    r.AddItem(QStringLiteral("Reference"), reference, kHkeyCurrentUserCode, ValueString, noText);
    r.AddItem(QStringLiteral("ReferenceArchives"), reference, kHkeyCurrentUserCode, ValueBytes,
              noBytes);
    r.AddItem(QStringLiteral("ReferenceFromFolder"), reference, kHkeyCurrentUserCode, ValueBytes,
              noBytes);
    r.AddItem(QStringLiteral("ReferenceInclude"), reference, kHkeyCurrentUserCode, ValueString,
              noText);
    r.AddItem(QStringLiteral("ReferenceIgnoreUnits"), reference, kHkeyCurrentUserCode, ValueDWord,
              number(0));
    r.AddItem(QStringLiteral("ReferencePlacement"), reference, kHkeyCurrentUserCode, ValueBytes,
              noBytes);
    r.AddItem(QStringLiteral("ReferenceSplit"), reference, kHkeyCurrentUserCode, ValueBytes,
              noBytes);
  } catch (...) {
    ReportVBError("Error While Loading Configuring Registry");
  }
}

}  // namespace parvex
