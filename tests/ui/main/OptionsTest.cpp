#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

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
  QJsonObject key = QJsonDocument::fromJson(settings.readAll())
                        .object()[QStringLiteral("HKEY_CURRENT_USER")]
                        .toObject();
  for (const char* part : {"software", "brenlo", "parvex", "misc"})
    key = key[QStringLiteral("keys")].toObject()[QLatin1String(part)].toObject();
  return key[QStringLiteral("values")].toObject()[QLatin1String(name)].toObject().value(
      QStringLiteral("dword"));
}

const char* const kOptionNames[] = {"matchbyaddress", "numbersbyvalue", "compareunits",
                                    "takeoutput", "takeaddmissing"};

TEST_F(OptionsMenu, StartsOffAndStoresNothingUntilChosen) {
  const auto texts = [](const QList<QAction*>& actions) {
    QStringList t;
    for (const QAction* action : actions) t << action->text();
    return t;
  };
  auto w = fixture.Start();
  EXPECT_EQ(texts(w->menuBar()->actions()),
            (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"),
                         QStringLiteral("&Options"), QStringLiteral("&Help")}));
  EXPECT_EQ(
      texts(w->mnuOptions->actions()),
      (QStringList{QStringLiteral("Match Lines by &Address"),
                   QStringLiteral("Compare &Numbers by Value"), QStringLiteral("Compare &Units"),
                   QString(), QStringLiteral("&Rules File..."), QStringLiteral("No Rules")}));
  for (const QAction* item :
       {w->mnuMatchByAddress, w->mnuNumbersByValue, w->mnuCompareUnits, w->mnuRulesFile}) {
    EXPECT_TRUE(item->isCheckable());
    EXPECT_FALSE(item->isChecked());
  }
  EXPECT_FALSE(w->mnuRulesOff->isEnabled());
  w->close();
  // Options never chosen are never stored: the settings file stays as it was.
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
  const Step steps[] = {
      {false, false, true, {QStringLiteral("2.0")}, {QStringLiteral("1"), QStringLiteral("2")}},
      {true, false, false, {QStringLiteral("1.5"), QStringLiteral("2.0")}, {QStringLiteral("1")}},
      {true, true, true, {QStringLiteral("1.5")}, {}},
  };
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
      QStringList rowTexts;
      for (int i = 0; i < w->List().Count(); ++i) rowTexts << Q(w->List().Row(i).Text);
      return rowTexts;
    };
    const CompareOptions options{s.byAddress, s.numeric, nullptr, s.units};
    w->cmdTwoArchives_Click();
    EXPECT_EQ(shown(), s.addresses);
    EXPECT_EQ(w->ListedOptions(), options);
    w->txtArchive1->setText(structures);
    w->txtStruct1->setText(QStringLiteral("10"));
    w->txtStruct2->setText(QStringLiteral("20"));
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
