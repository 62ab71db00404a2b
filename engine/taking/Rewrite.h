#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reading/BatchReader.h"
#include "engine/taking/Taking.h"

namespace parvex {

class OutputFile;

// Where the target's bytes go as it is rewritten.
class RewriteSink {
 public:
  virtual ~RewriteSink() = default;
  // Bytes of the target passed on as they were.
  virtual void Same(std::string_view bytes) = 0;
  // The plan's change number change: the line with its new fields, and its
  // line end.
  virtual void Changed(std::string_view line, std::string_view end, std::size_t change) = 0;
  // The plan's addition number addition, and the line end it is given.
  virtual void Added(std::string_view line, std::string_view end, std::size_t addition) = 0;
};

// Streams the target once, a buffer at a time, and hands every byte to the
// sink: the lines of the plan's changes with their new value and units fields
// in place of their own, every other byte as it was, and the plan's added
// lines after their lines. An added line ends as the target's first line
// does (CR LF when it has none); a last line without line end gets one when
// lines follow it. The target is checked against the plan as it goes: a line
// to change that is no longer as it was read, or a target of another number
// of lines, fails the rewrite.
void RewriteTarget(const std::string& target, const TakePlan& plan, const ReadSizes& sizes,
                   RewriteSink& sink);

// Writes every byte to a file: the new archive.
class ArchiveSink final : public RewriteSink {
 public:
  explicit ArchiveSink(OutputFile& file) : file_(file) {}
  void Same(std::string_view bytes) override;
  void Changed(std::string_view line, std::string_view end, std::size_t change) override;
  void Added(std::string_view line, std::string_view end, std::size_t addition) override;

 private:
  OutputFile& file_;
};

// Writes only the lines changed and added: a partial archive, which machine
// software loads as a subset of parameters.
class PartialSink final : public RewriteSink {
 public:
  explicit PartialSink(OutputFile& file) : file_(file) {}
  void Same(std::string_view) override {}
  void Changed(std::string_view line, std::string_view end, std::size_t change) override;
  void Added(std::string_view line, std::string_view end, std::size_t addition) override;

 private:
  OutputFile& file_;
};

// Refuses, before any work, to write output over one of inputs (the
// target too, unless inPlace), naming both, or where the writer cannot.
void CheckTakeOutput(const std::string& output, const std::string& target,
                     const std::vector<std::string>& inputs, bool inPlace);

// The name of the copy kept of a file before it is replaced:
// "press-07.arc" -> "press-07.arc.20261208-101500.bak", in local time.
std::string BackupName(const std::string& path, std::time_t when);

// Copies the file to its backup name (through the writer) and returns that
// name.
std::string KeepBackup(const std::string& path, std::time_t when);

}  // namespace parvex
