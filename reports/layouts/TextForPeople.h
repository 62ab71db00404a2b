#pragma once

#include <string>
#include <string_view>

namespace parvex {

// Archive bytes as Unicode text (UTF-8) for the layouts that need it: a text
// that is valid UTF-8 stays as it is, any other is read as Windows-1252, each
// byte one character, so that nothing is lost (the five bytes that code page
// leaves unassigned become the control characters of the same number).
std::string DisplayText(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// The one escape every text goes through on its way into an HTML page, after
// DisplayText: & < > " and ' become character references.
std::string HtmlText(std::string_view bytes);

}  // namespace parvex
