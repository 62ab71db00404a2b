#pragma once

// What nearly every test uses comes in with the support.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "engine/pairing/CompareByAddress.h"
#include "engine/pairing/CompareOptions.h"
#include "engine/reading/TextStream.h"
#include "engine/values/Rules.h"
#include "parvex/version.h"

namespace parvex::test {

struct ShownMessage {
  std::string prompt;
  std::string caption;
  int style = 0;
  friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};

// Records every message box instead of showing it.
class RecordingBox final : public MessageBox {
 public:
  void Show(const std::string& prompt, const std::string& caption, int style) override {
    shown.push_back({prompt, caption, style});
  }
  std::vector<ShownMessage> shown;
};

// Not copied: what one installs or removes when it goes is its own.
struct Pinned {
  Pinned() = default;
  Pinned(const Pinned&) = delete;
  Pinned& operator=(const Pinned&) = delete;
};

// Installs a recording box and a hand-driven tick count for the test's life.
class RecordedErrors : Pinned {
 public:
  RecordedErrors();
  ~RecordedErrors();

  const std::vector<ShownMessage>& Shown() const { return box.shown; }
  // Every message shown, as "caption: prompt".
  std::vector<std::string> Told() const;
  void Advance(std::uint32_t ms) { tick += ms; }

  RecordingBox box;
  std::uint32_t tick = 100000;
};

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir : Pinned {
 public:
  TempDir();
  ~TempDir();

  const std::filesystem::path& Path() const { return path_; }
  // Writes the bytes unchanged, making the folders on the way, and returns
  // the file's path as text.
  std::string Write(const std::string& name, const std::string& bytes) const;
  // With the system's own separators, as a file dialog or a user gives paths.
  std::string File(const std::string& name) const {
    return (path_ / name).make_preferred().string();
  }

 private:
  std::filesystem::path path_;
};

std::string ReadBytes(const std::string& path);

// The names of the writer's temporary files in the folder and its subfolders.
std::vector<std::string> WriterTemporaries(const TempDir& dir);

// A report's lines (each ended CR LF) without the one that carries the date.
std::vector<std::string> LinesWithoutDate(const std::string& report);

// Everything written into a named pipe until its writer closes it, read
// without ever blocking longer than seconds in all: a writer that never
// comes, or replaces the pipe, fails the test instead of hanging it.
std::string ReadPipeWithin(const std::string& path, int seconds);

// A device for a writer to write to: as root a node of the same device made in
// dir, so that a writer that wrongly replaces its target can never replace
// the system's own (/dev/null is minor 3, /dev/full minor 7); otherwise the
// system's, which an ordinary user cannot replace. Empty where neither works,
// and off Linux.
std::string DeviceForWriting(const TempDir& dir, const std::string& system, unsigned minor);

// The options with read-only lines included, or not.
inline CompareOptions ReadOnly(bool include, CompareOptions options = {}) {
  options.IncludeReadOnly = include;
  return options;
}

// One archive line from its four fields.
inline std::string L(const std::string& address, const std::string& description,
                     const std::string& value, const std::string& units = "u") {
  return address + "\t" + description + "\t" + value + "\t" + units + "\n";
}

// A difference row from its five texts.
inline DifferenceRow Row(std::string text, std::string description, std::string value1,
                         std::string value2, std::string units, bool locked = false) {
  return DifferenceRow{
      std::move(text),
      {std::move(description), std::move(value1), std::move(value2), std::move(units)},
      locked};
}

// The words of text, split at spaces.
std::vector<std::string> Words(const std::string& text);

// Difference rows written as "address|description|value 1|value 2|units",
// separated by ";": "~" stands for "(missing)", a leading "!" marks a
// read-only row.
std::vector<DifferenceRow> Rows(const std::string& spec);

}  // namespace parvex::test
