#include "CliSupport.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "cli/CommandLine.h"

namespace parvex::test {

namespace {

std::string Contents(std::FILE* file) {
  std::string bytes;
  std::fflush(file);
  std::rewind(file);
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    bytes.append(buffer, n);
  std::fclose(file);
  return bytes;
}

}  // namespace

CliRun RunCli(const TempDir& dir, const std::vector<std::string>& args) {
  std::vector<std::string> words{"parvex-cli"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  const QStringList arguments = CommandLine(static_cast<int>(argv.size()), argv.data());
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  const int status = RunCommandLine(arguments, {out, err});
  std::filesystem::current_path(before);
  return CliRun{status, Contents(out), Contents(err)};
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

CliRun RunShell(const TempDir& dir, const std::string& line) {
  const std::string out = dir.File("stdout");
  const std::string err = dir.File("stderr");
  const std::string command = "(" + line + ") >" + Quote(out) + " 2>" + Quote(err) + " </dev/null";
  const int raw = std::system(("sh -c " + Quote(command)).c_str());
  CliRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(out), ReadBytes(err)};
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return run;
}

CliRun RunProgram(const TempDir& dir, const std::vector<std::string>& args,
                  const std::string& before) {
  std::string line = "cd " + Quote(dir.Path().string()) + " && " + before + Quote(PARVEX_CLI_PATH);
  for (const std::string& a : args) line += " " + Quote(a);
  return RunShell(dir, line);
}

std::string Taken(int taken, int equal, int readOnly, int added, int notAdded) {
  return std::to_string(taken) + " values taken, " + std::to_string(equal) + " already equal, " +
         std::to_string(readOnly) + " read-only left alone, " + std::to_string(added) + " added, " +
         std::to_string(notAdded) + " in the source only (not added)\n";
}

}  // namespace parvex::test
