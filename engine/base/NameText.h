#pragma once

#include <string>
#include <string_view>

namespace parvex {

// Where bytes meet a person: the one rule for showing archive text, the one
// code page, and the one rule for file names. Every window, the command line
// and the reports go through these, so that they all show the same text.

// Windows-1252, every byte one character and back: the five bytes the code
// page leaves unassigned are the control characters of the same number, so
// that nothing shown is lost.
char16_t Windows1252Char(unsigned char byte);
std::u16string FromWindows1252(std::string_view bytes);
// Characters outside the code page become '?'.
std::string ToWindows1252(std::u16string_view text);

// Whether bytes are UTF-8 throughout (overlong forms, surrogates and cut
// sequences are not).
bool IsValidUtf8(std::string_view bytes);

// Archive bytes as a person reads them: a text that is valid UTF-8 was
// written on a system that uses UTF-8 and is read so (plain ASCII reads the
// same either way); any other is read as Windows-1252. For display only:
// the bytes themselves never change. As UTF-16 for the windows, as UTF-8
// for the reports and messages.
std::u16string TextForPeople(std::string_view bytes);
std::string DisplayText(std::string_view bytes);

// File names. On Linux they are bytes in no fixed encoding, while a person's
// text (a command line parsed by Qt, a field in a window) is UTF-16. A name
// that is valid UTF-8 reads as UTF-8; every byte that is not part of a valid
// sequence becomes U+DC00 plus the byte, an unpaired surrogate that no real
// text holds, so that the way back gives exactly the bytes the name had. On
// Windows, which opens files through the wide API, a name is UTF-8 (what is
// no character becomes U+FFFD).
std::u16string NameToText(std::string_view bytes);
std::string NameFromText(std::u16string_view text);

}  // namespace parvex
