#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "reports/layouts/ReportLayout.h"

namespace parvex {

// What every command takes: its arguments and the options they share.
struct CommandOptions {
  QStringList arguments;
  bool includeReadOnly = false;
  bool numbersByValue = false;
  bool csv = false;
  bool json = false;
  bool html = false;
  std::optional<QString> output;
  std::optional<QString> rules;  // the rules file, if one is given

  // The layout --csv, --json or --html asks for, if any; more than one is
  // a wrong call.
  std::optional<Layout> AskedLayout() const;
  bool LayoutsClash() const { return int(csv) + int(json) + int(html) > 1; }
};

// Where a run writes: the report, unless -o names a file, and the messages.
struct CliStreams {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
};

// A C stream as a C++ one, for the layouts that write to a std::ostream: every
// piece goes straight to file (which buffers), and a failed write makes the
// stream fail, as std::cout over standard output does.
class CFileStream final : public std::ostream {
 public:
  explicit CFileStream(std::FILE* file) : std::ostream(&buffer_), buffer_(file) {}

 private:
  class Buffer final : public std::streambuf {
   public:
    explicit Buffer(std::FILE* file) : file_(file) {}

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

   private:
    std::FILE* file_;
  };
  Buffer buffer_;
};

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
