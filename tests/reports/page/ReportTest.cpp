#include <gtest/gtest.h>

#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "engine/list/DifferenceList.h"
#include "reports/page/Report.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using test::ReadBytes;
using test::RecordedErrors;
using test::TempDir;

const std::string kDate = "06/12/2026 19:00:00";
std::string FixedDate() {
  return kDate;
}

DifferenceList ListOf(const std::vector<std::array<std::string, 5>>& rows) {
  DifferenceList list;
  for (const auto& r : rows) list.Append(DifferenceRow{r[0], {r[1], r[2], r[3], r[4]}, false});
  return list;
}

DifferenceList NumberedRows(int n) {
  DifferenceList list;
  for (int i = 1; i <= n; ++i) {
    const auto k = std::to_string(i);
    list.Append(DifferenceRow{k + ".0", {"Row " + k, k, std::to_string(i + 1), "u"}, i % 2 == 0});
  }
  return list;
}

const DifferenceList kThreeRows =
    ListOf({{"12.3", "Max speed", "1500", "1600", "rpm"},
            {"123456789.1", "A description longer than thirty!!!", "v,\"q\"", "\xe4\xf6\xfc", ""},
            {"-1.0", "<UNKNOWN>", "", "123456789012345678",
             "\xb0"
             "C"}});

struct FileCase {
  const char* expected;
  const DifferenceList* list;
  bool csv;
  std::string title1;
  std::string title2;
};

TEST(WriteReport, FilesAreByteExact) {
  const DifferenceList many = NumberedRows(130);
  const DifferenceList none;
  const FileCase cases[] = {
      {"three_rows.txt", &kThreeRows, false, "Archive 1: /tmp/a.arc", "Archive 2: /tmp/b,c.arc"},
      {"three_rows.csv", &kThreeRows, true, "Archive 1: /tmp/a.arc", "Archive 2: /tmp/b,c.arc"},
      {"rows_130.txt", &many, false, "Archive 1: x", "Structures 3 and 7"},
      {"rows_130.csv", &many, true, "Archive 1: x", "Structures 3 and 7"},
      {"no_rows.txt", &none, false, "Archive 1: x", "Structures 3 and 7"},
  };
  RecordedErrors errors;
  TempDir dir;
  for (const FileCase& c : cases) {
    const auto path = dir.File(c.expected);
    {
      OutputFile file(path);
      TextFileDestination destination(file);
      WriteReport(destination, c.csv, *c.list, c.title1, c.title2, FixedDate);
    }
    EXPECT_EQ(ReadBytes(path), ReadBytes(std::string(PARVEX_TEST_DATA_DIR) + "/" + c.expected))
        << c.expected;
  }
  EXPECT_TRUE(errors.Shown().empty());
}

// Records what the writer asks of its destination, and can fail on a chosen line.
class RecordingDestination final : public ReportDestination {
 public:
  void Prepare() override { events.push_back("prepare"); }
  void Emit(std::string_view line) override {
    if (failAt >= 0 && emitted == failAt) throw Failure(61, "Disk full");
    ++emitted;
    events.emplace_back(line);
  }
  void PageBreak() override { events.push_back("<break>"); }
  void Finish() override { events.push_back("finish"); }
  int Count(const std::string& e) const {
    return static_cast<int>(std::count(events.begin(), events.end(), e));
  }

  std::vector<std::string> events;
  int emitted = 0;
  int failAt = -1;
};

TEST(WriteReport, PageBoundaries) {
  struct Case {
    int rows;
    int pages;
  };
  for (const Case c : {Case{1, 1}, Case{57, 1}, Case{58, 2}, Case{114, 2}, Case{115, 3}}) {
    RecordedErrors errors;
    RecordingDestination destination;
    int dates = 0;
    WriteReport(destination, false, NumberedRows(c.rows), "t1", "t2", [&dates] {
      ++dates;
      return kDate;
    });
    EXPECT_EQ(dates, 1);
    EXPECT_EQ(destination.Count("<break>"), c.pages - 1) << c.rows;
    EXPECT_EQ(destination.emitted, c.rows + 10 * c.pages) << c.rows;
    EXPECT_EQ(destination.events.front(), "prepare");
    EXPECT_EQ(destination.events.back(), "finish");
    const std::string lastPage =
        "Archive Report Created at " + kDate + "\t\t\t\tPage " + std::to_string(c.pages);
    EXPECT_EQ(destination.Count(lastPage), 1) << c.rows;
    if (c.pages > 1) {
      // Row 58 opens page 2: the break, then the ten header lines, then the row.
      const auto breakAt =
          std::find(destination.events.begin(), destination.events.end(), "<break>");
      EXPECT_EQ(*(breakAt - 1), PadString("57.0", 8) + PadString("Row 57", 30) +
                                    PadString("57", 15) + PadString("58", 15) + PadString("u", 15));
      EXPECT_EQ(*(breakAt + 11), PadString("58.0", 8) + PadString("Row 58", 30) +
                                     PadString("58", 15) + PadString("59", 15) +
                                     PadString("u", 15));
    }
  }
}

TEST(WriteReport, CsvHasNoPageBreaks) {
  RecordedErrors errors;
  RecordingDestination destination;
  WriteReport(destination, true, NumberedRows(500), "t1", "t2", FixedDate);
  EXPECT_EQ(destination.Count("<break>"), 0);
  EXPECT_EQ(destination.emitted, 503);
  EXPECT_EQ(destination.events[3], "Address,Description,t1,t2,Units");
}

TEST(WriteReport, FailureStopsTheReportAndSkipsFinish) {
  RecordedErrors errors;
  RecordingDestination destination;
  destination.failAt = 25;
  WriteReport(destination, false, NumberedRows(100), "t1", "t2", FixedDate);
  EXPECT_EQ(destination.emitted, 25);
  EXPECT_EQ(destination.Count("finish"), 0);
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0].prompt, "Error 61: Disk full");
  EXPECT_EQ(errors.Shown()[0].caption, "Error While Printing");
}

TEST(WriteReport, MoreRowsThanTheCounterHoldsFailAfterTheHeader) {
  RecordedErrors errors;
  RecordingDestination destination;
  WriteReport(destination, true, NumberedRows(32768), "t1", "t2", FixedDate);
  EXPECT_EQ(destination.emitted, 3);
  EXPECT_EQ(destination.Count("finish"), 0);
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0].prompt, "Error 6: Overflow");
}

TEST(WriteReport, FullDiskIsReportedNotSwallowed) {
  TempDir dir;
  const std::string full = test::DeviceForWriting(dir, test::kFullDevice, 7);
  if (full.empty() || !test::HasFullDevice()) GTEST_SKIP() << "no full device";
  RecordedErrors errors;
  OutputFile file(full);
  TextFileDestination destination(file);
  WriteReport(destination, false, NumberedRows(3), "t1", "t2", FixedDate);
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0].caption, "Error While Printing");
  EXPECT_EQ(errors.Shown()[0].prompt.rfind("Error 61: ", 0), 0U) << errors.Shown()[0].prompt;
}

TEST(PadString, CutsAndFills) {
  EXPECT_EQ(PadString("", 3), "   ");
  EXPECT_EQ(PadString("ab", 3), "ab ");
  EXPECT_EQ(PadString("abc", 3), "abc");
  EXPECT_EQ(PadString("abcd", 3), "abc");
  EXPECT_EQ(PadString("\xe4\xf6\xfc\xdf", 2), "\xe4\xf6");
  EXPECT_EQ(PadString("x", 0), "");
  EXPECT_THROW(PadString("x", -1), Failure);
}

TEST(ReportTitles, FollowTheLastComparisonChosen) {
  const ReportTitles archives = MakeReportTitles(false, "a.arc", "b.arc", "3", "7");
  EXPECT_EQ(archives.Title1, "Archive 1: a.arc");
  EXPECT_EQ(archives.Title2, "Archive 2: b.arc");
  const ReportTitles structures = MakeReportTitles(true, "a.arc", "b.arc", " 3", "x");
  EXPECT_EQ(structures.Title1, "Archive 1: a.arc");
  EXPECT_EQ(structures.Title2, "Structures  3 and x");
}

TEST(ReportTitles, NameTheOptionsThatMadeTheList) {
  struct Case {
    bool structureMode;
    CompareOptions options;
    const char* title2;
  };
  const Case cases[] = {
      {false, {true, false}, "Archive 2: b.arc (matched by address)"},
      {false, {false, true}, "Archive 2: b.arc (numbers by value)"},
      {true, {true, true}, "Structures 3 and 7 (matched by address) (numbers by value)"},
  };
  for (const Case& c : cases) {
    const ReportTitles t = MakeReportTitles(c.structureMode, "a.arc", "b.arc", "3", "7", c.options);
    EXPECT_EQ(t.Title1, "Archive 1: a.arc");
    EXPECT_EQ(t.Title2, c.title2);
  }
}

TEST(IsCsvName, LastThreeCharactersDecide) {
  for (const char* yes : {"r.csv", "reportcsv", "csv", "/a/b.csv"}) EXPECT_TRUE(IsCsvName(yes));
  for (const char* no : {"r.CSV", "r.csv.txt", "Report", "sv", "", "r.Csv"}) {
    EXPECT_FALSE(IsCsvName(no)) << no;
  }
}

}  // namespace
}  // namespace parvex
