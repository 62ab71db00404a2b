#include "reports/page/Report.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

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

// Where a report stops (the pages themselves are in the files above): the
// comma-delimited layout never breaks pages; a
// destination that fails, or more rows than the 16-bit counter holds, stop
// it where they happen, told once, and the destination is never finished.
TEST(WriteReport, HowFarAReportGoes) {
  struct Case {
    bool csv;
    int rows;
    int failAt;
    int emitted;
    int breaks;
    bool finished;
    std::string message;
  };
  const Case cases[] = {
      {true, 500, -1, 503, 0, true, ""},
      {false, 115, -1, 145, 2, true, ""},  // 57 rows a page
      {false, 100, 25, 25, 0, false, "Error 61: Disk full"},
      {true, 32768, -1, 3, 0, false, "Error 6: Overflow"},
  };
  for (const Case& c : cases) {
    RecordedErrors errors;
    RecordingDestination destination;
    destination.failAt = c.failAt;
    int dates = 0;
    WriteReport(destination, c.csv, NumberedRows(c.rows), "t1", "t2", [&dates] {
      ++dates;
      return kDate;
    });
    EXPECT_EQ(dates, 1) << c.rows;  // one date for every page
    EXPECT_EQ(destination.emitted, c.emitted) << c.rows;
    EXPECT_EQ(destination.Count("<break>"), c.breaks) << c.rows;
    EXPECT_EQ(destination.Count("finish"), c.finished ? 1 : 0) << c.rows;
    EXPECT_TRUE(!c.csv || destination.events[3] == "Address,Description,t1,t2,Units");
    ASSERT_EQ(errors.Shown().size(), c.message.empty() ? 0U : 1U) << c.rows;
    if (!c.message.empty()) {
      EXPECT_EQ(errors.Shown()[0].prompt, c.message);
      EXPECT_EQ(errors.Shown()[0].caption, "Error While Printing");
    }
  }
}

}  // namespace
}  // namespace parvex
