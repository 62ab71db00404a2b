#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace parvex {

// Archive and report texts are single bytes; a person sees characters. This
// maps every byte to one character and back (Windows-1252, with the five
// unassigned bytes kept as the control characters of the same number), so
// that nothing shown is lost. Only the edge where text meets a person uses it.
QString FromArchiveBytes(std::string_view bytes);
// An archive field as a person reads it: a field that is valid UTF-8 and
// holds a multi-byte sequence was written on a system that uses UTF-8 and is
// shown so; every other field through the code page above. Display only: the
// bytes themselves never change.
QString FieldText(std::string_view bytes);
// Characters outside the code page become '?'.
std::string ToArchiveBytes(const QString& text);

// A path as the engine opens it; the code page does not apply to file names.
// On Windows a name is UTF-8. Elsewhere it is the file system's own bytes: a
// name that is valid UTF-8 reads as UTF-8, and each byte that is not part of
// a valid sequence is kept as a character of its own (U+DC00 plus the byte),
// so that PathBytes(PathText(b)) gives back exactly b.
std::string PathBytes(const QString& path);
QString PathText(std::string_view bytes);

}  // namespace parvex
