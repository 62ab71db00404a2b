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

// A path as the engine takes it: UTF-8 on every platform (the code page does
// not apply to file names).
std::string PathBytes(const QString& path);
QString PathText(std::string_view bytes);

}  // namespace parvex
