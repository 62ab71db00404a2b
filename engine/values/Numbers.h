#pragma once

#include <cstdint>
#include <string_view>

namespace parvex {

// A structure number typed by a person: blanks around allowed, an optional
// sign, digits with an optional fraction after decimalPoint (or '.'), rounded
// to the nearest whole number with halves going to the even neighbour. Throws
// failure 13 for empty or non-numeric text and 6 outside -32768..32767.
std::int16_t StructureNumber(std::string_view text, char decimalPoint = '.');

}  // namespace parvex
