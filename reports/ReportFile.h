#pragma once

#include <fstream>
#include <string>

namespace parvex {

// A report file written whole or not at all: the bytes go to a temporary
// file beside the target, which replaces the target only once every byte is
// written, so a run that fails leaves an earlier report as it was. Failures
// are Failures that name the target.
class ReportFile {
 public:
  explicit ReportFile(std::string target);
  ~ReportFile();
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  std::ostream& Stream() { return out_; }
  // Flushes, closes and puts the file in the target's place.
  void Commit();

 private:
  std::string target_;
  std::string temporary_;
  std::ofstream out_;
  bool done_ = false;
};

}  // namespace parvex
