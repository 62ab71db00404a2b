#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

namespace parvex {

// The command line as Qt's parser takes it. On Linux every argument keeps its
// bytes, whatever their encoding (see NameToText); on Windows the wide
// command line.
QStringList CommandLine(int argc, char** argv);

// A path or argument as the engine takes it: the bytes it had on the command
// line (UTF-8 on Windows, which opens files through the wide API).
std::string Bytes(const QString& text);

// Bytes as standard error shows them: valid UTF-8 as it is, any other text
// read as Windows-1252, as the reports for people read it.
std::string ForPeople(std::string_view bytes);
// The same for a text of the command line (on Windows in the ANSI code page,
// as before).
std::string ForPeople(const QString& text);

}  // namespace parvex
