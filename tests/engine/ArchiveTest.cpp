#include "engine/reading/Archive.h"
#include "engine/reading/BatchReader.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

struct SplitCase {
  const char* name;
  std::string line;
  ArchiveRecord expected;
  std::string message;  // the prompt shown, or empty when none
  friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }
};

ArchiveRecord Rec(std::int16_t p, std::int16_t s, std::string d, std::string v, std::string u,
                  bool ro) {
  return ArchiveRecord{p, s, std::move(d), std::move(v), std::move(u), ro};
}

const ArchiveRecord kUnknown = Rec(-1, 0, "<UNKNOWN>", "", "", true);

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, ParsesAsSpecified) {
  RecordedErrors errors;
  const SplitCase& c = GetParam();
  EXPECT_EQ(SplitArchiveLine(c.line), c.expected);
  if (c.message.empty()) {
    EXPECT_TRUE(errors.Shown().empty());
  } else {
    ASSERT_EQ(errors.Shown().size(), 1U);
    EXPECT_EQ(errors.Shown()[0].prompt, c.message);
    EXPECT_EQ(errors.Shown()[0].caption, "Error While Splitting Archive Line");
  }
}

// The readers of whole archives split lines with a fast path of their own for
// the common shapes, and must agree with the line parser on every line.
TEST_P(Split, BatchReaderAgrees) {
  const SplitCase& c = GetParam();
  for (const auto reading : {BatchReader::Reading::Fields, BatchReader::Reading::Whole}) {
    RecordedErrors errors;
    TempDir dir;
    // A first line makes room for more in the batch, so the line under test
    // takes the reader's quick way where it can.
    BatchReader reader(
        OpenTextStream(dir.Write("a.arc", "1\tx\ty\tz\r\n" + c.line + "\r\n"), kOpenForReading),
        ReadSizes{}, nullptr, reading);
    ASSERT_FALSE(reader.AtEnd());
    reader.Next();
    ASSERT_FALSE(reader.AtEnd());
    const BatchReader::Line& line = reader.Next();
    const ArchiveFields f = reader.Split(line).Fields();
    EXPECT_EQ((ArchiveRecord{f.ParamNumber, f.SubIndex, std::string(f.Description),
                             std::string(f.Value), std::string(f.Units), f.ReadOnly}),
              c.expected);
    const Failure* failure = reader.ParseFailure(line);
    EXPECT_EQ(failure != nullptr, !c.message.empty());
    if (failure != nullptr) {
      try {
        throw *failure;
      } catch (...) {
        ReportVBError("Error While Splitting Archive Line");
      }
      ASSERT_EQ(errors.Shown().size(), 1U);
      EXPECT_EQ(errors.Shown()[0].prompt, c.message);
    }
    EXPECT_TRUE(reader.AtEnd());
  }
}

const char* kOverflow = "Error 6: Overflow";
const char* kMismatch = "Error 13: Type mismatch";

INSTANTIATE_TEST_SUITE_P(
    Lines, Split,
    ::testing::Values(
        SplitCase{"Example", "12.3\t!Max speed\t1500\trpm",
                  Rec(12, 3, "Max speed", "1500", "rpm", true), ""},
        SplitCase{"Empty", "", ArchiveRecord{}, ""}, SplitCase{"NoTab", "just text", kUnknown, ""},
        SplitCase{"TwoTabs", "1\ta\tb", kUnknown, ""},
        SplitCase{"EmptyUnits", "1\ta\tb\t", Rec(1, 0, "a", "b", "", false), ""},
        SplitCase{"ExtraFieldsIgnored", "1.2\ta\tb\tc\td\te", Rec(1, 2, "a", "b", "c", false), ""},
        SplitCase{"EmptyFieldsCount", "\t\t\t", Rec(-1, 0, "", "", "", false), ""},
        SplitCase{"NonNumericAddress", "P12\tDesc\tv\tu", Rec(-1, 0, "Desc", "v", "u", false), ""},
        SplitCase{"BlanksKept", " 7 \t d \t v \t u ", Rec(7, 0, " d ", " v ", " u ", false), ""},
        SplitCase{"PointZero", "7.0\td\tv\tu", Rec(7, 0, "d", "v", "u", false), ""},
        SplitCase{"MemberOfPointFive", "12.5\td\tv\tu", Rec(12, 5, "d", "v", "u", false), ""},
        SplitCase{"MemberOfPointZeroFive", "12.05\td\tv\tu", Rec(12, 5, "d", "v", "u", false), ""},
        SplitCase{"MemberOfPointFifty", "12.50\td\tv\tu", Rec(12, 50, "d", "v", "u", false), ""},
        SplitCase{"Negative", "-3.4\td\tv\tu", Rec(-3, 4, "d", "v", "u", false), ""},
        SplitCase{"Limits", "-32768.32767\td\tv\tu", Rec(-32768, 32767, "d", "v", "u", false), ""},
        SplitCase{"LeadingZeros", "0000000000000000012.000000000000007\td\tv\tu",
                  Rec(12, 7, "d", "v", "u", false), ""},
        SplitCase{"FiveDigitsEach", "32767.12345\td\tv\tu", Rec(32767, 12345, "d", "v", "u", false),
                  ""},
        SplitCase{"MemberAtTheLimit", "1.32767\t!d\tv\tu", Rec(1, 32767, "d", "v", "u", true), ""},
        SplitCase{"SixDigitMember", "1.000012\td\tv\tu", Rec(1, 12, "d", "v", "u", false), ""},
        SplitCase{"ColonAfterNine", "1:2\td\tv\tu", Rec(-1, 0, "d", "v", "u", false), ""},
        SplitCase{"SlashBeforeZero", "1/2\td\tv\tu", Rec(-1, 0, "d", "v", "u", false), ""},
        SplitCase{"HighByteAfterDigit", "5\xfa\td\tv\tu", Rec(-1, 0, "d", "v", "u", false), ""},
        SplitCase{"TwoPointsNotNumeric", "1.2.3\td\tv\tu", Rec(-1, 0, "d", "v", "u", false), ""},
        SplitCase{"LonePointNotNumeric", ".\td\tv\tu", Rec(-1, 0, "d", "v", "u", false), ""},
        SplitCase{"ExponentNotNumeric", "1e3\td\tv\tu", Rec(-1, 0, "d", "v", "u", false), ""},
        SplitCase{"AddressOverflow", "99999\td\tv\tu", ArchiveRecord{}, kOverflow},
        SplitCase{"AddressUnderflow", "-32769.1\td\tv\tu", ArchiveRecord{}, kOverflow},
        SplitCase{"OneOverTheLimit", "32768.1\td\tv\tu", ArchiveRecord{}, kOverflow},
        SplitCase{"TenTimesTheLimit", "-327680\td\tv\tu", ArchiveRecord{}, kOverflow},
        SplitCase{"MemberOneOverTheLimit", "1.32768\td\tv\tu", Rec(1, 0, "", "", "", false),
                  kOverflow},
        SplitCase{"MemberOverflow", "1.99999\t!d\tv\tu", Rec(1, 0, "", "", "", false), kOverflow},
        SplitCase{"EmptyMember", "12.\td\tv\tu", Rec(12, 0, "", "", "", false), kMismatch},
        SplitCase{"EmptyStructure", ".5\td\tv\tu", ArchiveRecord{}, kMismatch},
        SplitCase{"SignOnlyStructure", "-.5\td\tv\tu", ArchiveRecord{}, kMismatch},
        SplitCase{"BangAlone", "1\t!\tv\tu", Rec(1, 0, "", "v", "u", true), ""},
        SplitCase{"BangInside", "1\ta!b\tv\tu", Rec(1, 0, "a!b", "v", "u", false), ""},
        SplitCase{"HighBytes",
                  "1\t\xe4\xf6\t\x80\xff\xfe\t\xb0"
                  "C",
                  Rec(1, 0, "\xe4\xf6", "\x80\xff\xfe",
                      "\xb0"
                      "C",
                      false),
                  ""},
        SplitCase{"NulBytes", std::string("1\td\0x\tv\0\tu", 10),
                  Rec(1, 0, std::string("d\0x", 3), std::string("v\0", 2), "u", false), ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(IsNumericAddress, Shapes) {
  for (const char* yes : {"1", " 1 ", "+1", "-1", "1.", ".5", "1.5", "007"}) {
    EXPECT_TRUE(IsNumericAddress(yes)) << yes;
  }
  for (const char* no : {"", " ", "+", "-", ".", "1.2.3", "1 2", "- 1", "1-", "0x10", "\t1"}) {
    EXPECT_FALSE(IsNumericAddress(no)) << no;
  }
}

}  // namespace
}  // namespace parvex
