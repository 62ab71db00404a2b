#include <gtest/gtest.h>

#include "engine/base/Failure.h"
#include "engine/values/Numbers.h"

namespace parvex {
namespace {

TEST(StructureNumber, ConvertsAsTyped) {
  struct Case {
    const char* text;
    char point;
    int expected;  // the number, or minus the failure number
  };
  const Case cases[] = {
      {"12", '.', 12},      {" 12 ", '.', 12},  {"2.5", '.', 2},       {"3.5", '.', 4},
      {"-2.5", '.', -2},    {"-3.5", '.', -4},  {"2.51", '.', 3},      {"2.49", '.', 2},
      {"2,5", ',', 2},      {"3,5", ',', 4},    {"+7", '.', 7},        {"0.5", '.', 0},
      {".5", '.', 0},       {"1.", '.', 1},     {"32767", '.', 32767}, {"-32768", '.', -32768},
      {"32767.5", '.', -6}, {"40000", '.', -6}, {"-32769", '.', -6},   {"", '.', -13},
      {"   ", '.', -13},    {"abc", '.', -13},  {"1a", '.', -13},      {"1 2", '.', -13},
      {".", '.', -13},      {"-", '.', -13},    {"2,5", '.', -13},     {"99999999999999", '.', -6},
  };
  for (const Case& c : cases) {
    try {
      EXPECT_EQ(StructureNumber(c.text, c.point), c.expected) << '"' << c.text << '"';
    } catch (const Failure& f) {
      EXPECT_EQ(-f.Number(), c.expected) << '"' << c.text << '"';
    }
  }
}

}  // namespace
}  // namespace parvex
