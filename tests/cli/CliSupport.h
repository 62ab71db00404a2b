#pragma once

// Running command lines through the POSIX shell for the command-line tests.
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/TestSupport.h"

namespace parvex::test {

// A word the shell reads as it stands, whatever bytes it holds.
inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs a shell line with no standard input; its output goes through files in
// dir, so that bytes (CR LF, form feeds) arrive exactly.
inline CliRun RunShell(const TempDir& dir, const std::string& line) {
  const std::string out = dir.File("stdout");
  const std::string err = dir.File("stderr");
  const std::string command = "(" + line + ") >" + Quote(out) + " 2>" + Quote(err) + " </dev/null";
  const int raw = std::system(("sh -c " + Quote(command)).c_str());
  return CliRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(out), ReadBytes(err)};
}

}  // namespace parvex::test
