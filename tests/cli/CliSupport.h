#pragma once

// Running parvex-cli for the command-line tests: its commands in this
// process, or the built program through the POSIX shell where only a process
// of its own shows what is tested (exit status, standard streams, signals,
// another user).

#include "support/TestSupport.h"

namespace parvex::test {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// The commands with args (bytes, as a program gets them) in this process,
// with dir as the working folder; standard output and error are caught
// whole, CR LF and form feeds as they are.
CliRun RunCli(const TempDir& dir, const std::vector<std::string>& args);

// A word the shell reads as it stands, whatever bytes it holds.
std::string Quote(const std::string& s);

// A shell line with no standard input; its output goes through files in
// dir, so that bytes arrive exactly.
CliRun RunShell(const TempDir& dir, const std::string& line);

// The built parvex-cli with args in dir, after the shell line before (such
// as a limit, or a command that runs it as another user).
CliRun RunProgram(const TempDir& dir, const std::vector<std::string>& args,
                  const std::string& before = "");

// The summary line of a taking of values, as every command that takes says it.
std::string Taken(int taken, int equal, int readOnly, int added = 0, int notAdded = 0);

}  // namespace parvex::test
