// What every pairing adds beside values: units compared when asked, and a
// file cut short noted.

#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

// Units compared: the same value in other units differs, shown with the
// second line's units, in every pairing alike; off, units never count.
TEST(CompareUnits, EveryPairingJudgesUnitsAlike) {
  RecordedErrors errors;
  TempDir dir;
  const auto a = dir.Write("a", L("1", "a", "2000", "mm/min") + L("2", "b", "5", "s") +
                                    L("3", "c", "7", "") + L("4", "d", "1", "V"));
  const auto b = dir.Write("b", L("1", "a", "2000", "mm/s") + L("2", "b", "5", "s") +
                                    L("3", "c", "7", "bar") + L("4", "d", "2", "mV"));
  const std::vector<DifferenceRow> rows{Row("1.0", "a", "2000", "2000 [mm/s]", "mm/min"),
                                        Row("3.0", "c", "7", "7 [bar]", ""),
                                        Row("4.0", "d", "1", "2 [mV]", "V")};
  for (const bool byAddress : {false, true}) {
    DifferenceList list;
    CompareOptions options{byAddress, false};
    options.CompareUnits = true;
    CompareArchives(a, b, list, options);
    EXPECT_EQ(list.Rows(), rows) << byAddress;
    options.CompareUnits = false;
    CompareArchives(a, b, list, options);
    EXPECT_EQ(list.Rows(), (std::vector<DifferenceRow>{Row("4.0", "d", "1", "2", "V")}));
  }
  const auto s = dir.Write("s", L("1.1", "a", "7", "mm") + L("1.2", "b", "2") +
                                    L("2.1", "x", "7", "m") + L("2.2", "y", "2"));
  for (const bool byAddress : {false, true}) {
    DifferenceList list;
    CompareOptions options{byAddress, false};
    options.CompareUnits = true;
    CompareStructures(s, 1, 2, list, options);
    EXPECT_EQ(list.Rows(), (std::vector<DifferenceRow>{Row("1", "a", "7", "7 [m]", "mm")}))
        << byAddress;
  }
  EXPECT_TRUE(errors.Shown().empty());
}

// An archive whose last line has no line end is noted by every pairing; its
// last line is still compared.
TEST(CutShort, NotedByEveryPairing) {
  RecordedErrors errors;
  TempDir dir;
  const auto a = dir.Write("a", L("1", "a", "5") + L("2", "b", "6"));
  const std::string whole = L("1", "a", "5") + L("2", "b", "7");
  const auto b = dir.Write("b", whole.substr(0, whole.size() - 1));
  for (const bool byAddress : {false, true}) {
    DifferenceList list;
    PairingNotes notes;
    CompareArchives(a, b, list, CompareOptions{byAddress, false}, &notes);
    EXPECT_EQ(list.Count(), 1) << byAddress;
    EXPECT_EQ(PairingNoteTexts(notes),
              std::vector<std::string>{"Archive 2 '" + b +
                                       "' may have been cut short: its last line, line 2, has no "
                                       "line end."});
    CompareStructures(b, 1, 2, list, CompareOptions{byAddress, false}, &notes);
    EXPECT_EQ(notes.cutShort.size(), 1U);
    CompareArchives(a, a, list, CompareOptions{byAddress, false}, &notes);
    EXPECT_FALSE(notes.Any());
  }
}

}  // namespace
}  // namespace parvex
