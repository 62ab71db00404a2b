#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>
#include <vector>

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

// Whether a report can go to output (none: standard output): not over one of
// inputs, not into a folder, nor into a folder that is missing or takes no
// files. When not, says why under "Error While Saving Report", before any
// work is done.
bool ReportTargetIsFree(const std::string& output, const std::vector<std::string>& inputs);

}  // namespace parvex
