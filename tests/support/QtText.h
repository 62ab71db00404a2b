#pragma once

// Text of the Qt tests: paths as QString, and QString in failure messages.
#include <QString>

#include <ostream>
#include <string>

// Texts in failure messages as text, not as arrays of UTF-16 units.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace parvex::test {

inline QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace parvex::test
