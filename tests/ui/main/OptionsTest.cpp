#include "UiSupport.h"

namespace parvex::test {
namespace {

// The Options menu of the main window: its items and their settings.
using OptionsMenu = WindowTest;

// An option as the settings file stores it under Misc; undefined when it
// was never stored.
QJsonValue StoredOption(const QString& settingsPath, const char* name) {
  QFile settings(settingsPath);
  if (!settings.open(QIODevice::ReadOnly)) return QJsonValue(QJsonValue::Undefined);
  QJsonObject key =
      QJsonDocument::fromJson(settings.readAll()).object()[u"HKEY_CURRENT_USER"_s].toObject();
  for (const char* part : {"software", "brenlo", "parvex", "misc"})
    key = key[u"keys"_s].toObject()[QLatin1String(part)].toObject();
  return key[u"values"_s].toObject()[QLatin1String(name)].toObject().value(u"dword"_s);
}

const char* const kOptionNames[] = {"matchbyaddress", "numbersbyvalue", "compareunits",
                                    "takeoutput", "takeaddmissing"};

// Off at first, and never stored unless chosen: the settings file stays as it was.
TEST_F(OptionsMenu, StartsOffAndStoresNothingUntilChosen) {
  auto w = fixture.Start();
  for (const QAction* item :
       {w->mnuMatchByAddress, w->mnuNumbersByValue, w->mnuCompareUnits, w->mnuRulesFile}) {
    EXPECT_TRUE(item->isCheckable());
    EXPECT_FALSE(item->isChecked());
  }
  EXPECT_FALSE(w->mnuRulesOff->isEnabled());
  w->close();
  for (const char* name : kOptionNames) {
    EXPECT_TRUE(StoredOption(fixture.settingsPath, name).isUndefined()) << name;
  }
}

TEST_F(OptionsMenu, IsRememberedAndReachesTheComparison) {
  const QString a = Q(dir.Write("a.arc", "1\ta\t1\tu\n2\tb\t2\tu\n"));
  const QString b = Q(dir.Write("b.arc", "1\ta\t1\tu\n1.5\tnew\t9\tv\n2\tb\t2.0\tu\n"));
  // Each option changes the rows of both comparisons.
  const QString structures =
      Q(dir.Write("s.arc", "10.1\ta\t1\tu\n10.2\tb\t2\tu\n20.2\ty\t2\tu\n20.1\tx\t1.0\tu\n"));
  struct Step {
    bool byAddress;
    bool numeric;
    bool units;
    QStringList addresses;
    QStringList members;
  };
  const Step steps[] = {{false, false, true, {u"2.0"_s}, {u"1"_s, u"2"_s}},
                        {true, false, false, {u"1.5"_s, u"2.0"_s}, {u"1"_s}},
                        {true, true, true, {u"1.5"_s}, {}}};
  for (const Step& s : steps) {
    auto w = fixture.Start();
    w->txtArchive1->setText(a);
    w->txtArchive2->setText(b);
    // Chosen in one run, shown checked in the next.
    QAction* const items[] = {w->mnuMatchByAddress, w->mnuNumbersByValue, w->mnuCompareUnits};
    const bool chosen[] = {s.byAddress, s.numeric, s.units};
    for (std::size_t i = 0; i < std::size(items); ++i) {
      if (items[i]->isChecked() != chosen[i]) items[i]->trigger();
    }
    const auto shown = [&w] {
      QStringList texts;
      for (int i = 0; i < w->List().Count(); ++i) texts << Q(w->List().Row(i).Text);
      return texts;
    };
    const CompareOptions options{s.byAddress, s.numeric, nullptr, s.units};
    w->cmdTwoArchives_Click();
    EXPECT_EQ(shown(), s.addresses);
    EXPECT_EQ(w->ListedOptions(), options);
    w->txtArchive1->setText(structures);
    w->txtStruct1->setText(u"10"_s);
    w->txtStruct2->setText(u"20"_s);
    w->cmdStructure_Click();
    EXPECT_EQ(shown(), s.members);
    EXPECT_EQ(w->ListedOptions(), options);
    w->close();
    auto again = fixture.Start();
    // Stored under Misc with the other inputs: 1 on, 0 (or never stored) off.
    for (std::size_t i = 0; i < std::size(items); ++i) {
      EXPECT_EQ(again->mnuOptions->actions()[static_cast<qsizetype>(i)]->isChecked(), chosen[i]);
      EXPECT_EQ(StoredOption(fixture.settingsPath, kOptionNames[i]).toInt(0), chosen[i] ? 1 : 0);
    }
  }
  EXPECT_TRUE(errors.Shown().empty());
}

}  // namespace
}  // namespace parvex::test
