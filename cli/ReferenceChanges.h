#pragma once

#include <QString>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/taking/Taking.h"

namespace parvex {

struct ReferenceCommand;
struct ReferenceResult;

// The change set file names for the archives, in order: each archive's whole
// file name and ".json" (press-07.arc -> press-07.arc.json) or, when two
// archives share a file name, the path as given with its folder separators
// turned into "_" (line1/press-07.arc -> line1_press-07.arc.json). An empty
// list, with why in error, when two archives would still share one.
std::vector<std::string> ChangeSetNames(const std::vector<std::string>& archives,
                                        std::string& error);

// What reference --changes writes: one change set per deviating archive into
// a folder, taking the reference's values with the comparison's options.
class ReferenceChanges {
 public:
  // Checks the choice, names the files and checks each against what the run
  // reads (inputs) and writes, before any work; false, told (a wrong call
  // through usage), when it cannot go on, status then the exit status.
  bool Prepare(const ReferenceCommand& command, const std::vector<std::string>& archives,
               const std::vector<std::string>& inputs, const CompareOptions& options,
               const std::function<int(const QString&)>& usage, int& status);
  // Writes the change sets of the archives that deviate, one line each on
  // err; false when one could not be made.
  bool Write(const ReferenceResult& result, std::FILE* err) const;

 private:
  std::string folder_;
  // By the archive's path: files a folder gives that are no archives leave
  // the result, so its order is not the order of the names.
  std::map<std::string, std::string> files_;
  TakeSettings settings_;
};

}  // namespace parvex
