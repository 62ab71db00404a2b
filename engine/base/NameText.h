#pragma once

#include <string>
#include <string_view>

namespace parvex {

// File names on Linux are bytes in no fixed encoding, while a person's text
// (a command line parsed by Qt, a field in a window) is UTF-16. A name that is
// valid UTF-8 reads as UTF-8; every byte that is not part of a valid sequence
// becomes U+DC00 plus the byte, an unpaired surrogate that no real text holds,
// so that the way back gives exactly the bytes the name had.
std::u16string NameToText(std::string_view bytes);
std::string NameFromText(std::u16string_view text);

}  // namespace parvex
