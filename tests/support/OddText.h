#pragma once

// One table of odd bytes for every edge where text meets a person: each
// field's bytes and the text shown for them, as UTF-8. Valid multi-byte
// UTF-8 shows as UTF-8; anything else byte by byte in Windows-1252.
#include <string>
#include <vector>

namespace parvex::test {

struct OddText {
  std::string bytes;
  std::string shown;
};

inline const std::vector<OddText>& OddTexts() {
  static const std::vector<OddText> texts = {
      {"plain 12.3", "plain 12.3"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},            // UTF-8 stays: two bytes,
      {"\xe2\x82\xac 5", "\xe2\x82\xac 5"},      // three
      {"\xf0\x9f\x94\x92", "\xf0\x9f\x94\x92"},  // and four
      {"caf\xe9", "caf\xc3\xa9"},                // Windows-1252: single high bytes,
      {"5 \xb0", "5 \xc2\xb0"},
      {"\xc3\x9c \xb0", "\xc3\x83\xc5\x93 \xc2\xb0"},  // and UTF-8 mixed with them
      {"\x80 \x9f", "\xe2\x82\xac \xc5\xb8"},          // the code page's own range
      {"\x81\x8d\x8f\x90\x9d", "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"},  // unassigned: kept
      {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                  // an overlong form is no UTF-8
      {"\xe0\x80\xaf", "\xc3\xa0\xe2\x82\xac\xc2\xaf"},  // nor a three-byte one
      {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},  // nor is a surrogate
      {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xe2\x82\xac\xe2\x82\xac"},  // nor beyond U+10FFFF
      {"\xe2\x82", "\xc3\xa2\xe2\x80\x9a"},                              // a cut sequence
      {"x\xe2\x82\xac\xff", "x\xc3\xa2\xe2\x80\x9a\xc2\xac\xc3\xbf"},    // one bad byte decides
      {"\xef\xbb\xbfx", "\xef\xbb\xbfx"},                                // a byte order mark stays
      {"\xef\xbf\xbex", "\xef\xbf\xbex"},                                // so does U+FFFE
  };
  return texts;
}

}  // namespace parvex::test
