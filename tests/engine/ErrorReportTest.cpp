#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

void Raise(std::int32_t number, const std::string& description, const std::string& title,
           const Ignore& ignore = {}) {
  try {
    throw Failure(number, description);
  } catch (...) {
    ReportVBError(title, ignore);
  }
}

// Calls as words, four a call: the milliseconds since the call before, the
// title, the failure's number, and whether it is shown or passed over.
struct SuppressionCase {
  const char* name;
  std::uint32_t startTick;
  std::string calls;
  friend void PrintTo(const SuppressionCase& c, std::ostream* os) { *os << c.name; }
};

class Suppression : public ::testing::TestWithParam<SuppressionCase> {};

TEST_P(Suppression, ShowsOnlyWhatGetsPastTheRepeatTest) {
  RecordedErrors errors;
  errors.tick = GetParam().startTick;
  const std::vector<std::string> words = test::Words(GetParam().calls);
  for (std::size_t at = 0; at + 3 < words.size(); at += 4) {
    errors.Advance(static_cast<std::uint32_t>(std::stoul(words[at])));
    const auto before = errors.Shown().size();
    Raise(std::stoi(words[at + 2]), "desc", words[at + 1]);
    EXPECT_EQ(errors.Shown().size() - before, words[at + 3] == "shown" ? 1U : 0U)
        << "call at tick " << errors.tick << " title " << words[at + 1];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Repeats, Suppression,
    ::testing::Values(SuppressionCase{"RepeatAt4999", 1000, "0 A 5 shown  4999 A 5 passed"},
                      SuppressionCase{"RepeatAt5000", 1000, "0 A 5 shown  5000 A 5 shown"},
                      SuppressionCase{"SameTickShown", 1000, "0 A 5 shown  0 A 5 shown"},
                      SuppressionCase{"OtherNumber", 1000, "0 A 5 shown  10 A 6 shown"},
                      SuppressionCase{"OtherTitle", 1000, "0 A 5 shown  10 B 5 shown"},
                      SuppressionCase{"TitleIsCaseSensitive", 1000, "0 A 5 shown  10 a 5 shown"},
                      SuppressionCase{"SuppressedDoesNotExtendWindow", 1000,
                                      "0 A 5 shown  3000 A 5 passed  3000 A 5 shown"},
                      SuppressionCase{"UnsignedWrapToZero", 0xFFFFFF00U,
                                      "0 A 5 shown  512 A 5 passed  5000 A 5 shown"},
                      SuppressionCase{"SignedWrapNeverFails", 0x7FFFFF00U,
                                      "0 A 5 shown  512 A 5 passed  5000 A 5 shown"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ReportVBError, PromptCaptionAndStyle) {
  RecordedErrors errors;
  Raise(13, "Type mismatch", "Error While Getting Path");
  Raise(-5, "", "Negative");
  Raise(-2147217900, "Something else", "Table");
  ASSERT_EQ(errors.Shown().size(), 3U);
  EXPECT_EQ(errors.Shown()[0],
            (ShownMessage{"Error 13: Type mismatch", "Error While Getting Path", kMsgCritical}));
  EXPECT_EQ(errors.Shown()[1], (ShownMessage{"Error -5: ", "Negative", 16}));
  EXPECT_EQ(errors.Shown()[2],
            (ShownMessage{"Error -2147217900: Could not open table.", "Table", 16}));
}

TEST(ReportVBError, IgnoredNumbersPassSilentlyButAreRemembered) {
  struct Case {
    Ignore ignore;
    bool shown;
  };
  const Case cases[] = {{Ignore(32755), false},
                        {Ignore({1, 2, 32755}), false},
                        {Ignore({32755, 9}), false},
                        {Ignore({1, 2}), true},
                        {Ignore(), true}};
  for (const Case& c : cases) {
    RecordedErrors errors;
    Raise(32755, "Cancel", "Toolbar", c.ignore);
    EXPECT_EQ(errors.Shown().size(), c.shown ? 1U : 0U);
    // The memory now holds this title and number: a repeat is passed over even
    // without the ignore value.
    errors.Advance(10);
    Raise(32755, "Cancel", "Toolbar");
    EXPECT_EQ(errors.Shown().size(), c.shown ? 1U : 0U);
  }
}

TEST(ReportVBError, StandardExceptionsBecomeFailures) {
  RecordedErrors errors;
  try {
    throw std::bad_alloc();
  } catch (...) {
    ReportVBError("Mem");
  }
  try {
    throw std::runtime_error("boom");
  } catch (...) {
    ReportVBError("Std");
  }
  ASSERT_EQ(errors.Shown().size(), 2U);
  EXPECT_EQ(errors.Shown()[0].prompt, "Error 7: Out of memory");
  EXPECT_EQ(errors.Shown()[1].prompt, "Error 51: Internal error: boom");
}

class ThrowingBox final : public MessageBox {
 public:
  void Show(const std::string& prompt, const std::string& caption, int style) override {
    shown.push_back({prompt, caption, style});
    if (shown.size() == 1) throw Failure(5, "Invalid procedure call or argument");
  }
  std::vector<ShownMessage> shown;
};

TEST(ReportVBError, OwnFailureIsShownUnderItsOwnCaption) {
  ThrowingBox box;
  InstallErrorServices([] { return 1U; }, box);
  Raise(6, "Overflow", "Title");
  ASSERT_EQ(box.shown.size(), 2U);
  EXPECT_EQ(box.shown[1], (ShownMessage{"Error 5: Invalid procedure call or argument",
                                        "Error in ReportVBError", 16}));
  RecordedErrors reset;  // leaves safe services installed
}

}  // namespace
}  // namespace parvex
