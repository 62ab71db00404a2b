// Feeds arbitrary bytes as two archives through the comparisons (by position,
// of structures, and by address), once with the default read sizes and once
// with tiny ones, and fails when the two runs disagree in any row, caption,
// message or status, or when matching by address disagrees with the same
// done in tables. The first two bytes choose the structures, the read-only
// option, numbers by value and the tiny sizes; the rest is split at the first
// 0xFE byte into archive 1 and archive 2. Without one, archive 2 is archive 1
// with its 0xFD bytes made "0": two versions of one archive, mostly the same
// lines, as the comparison by position meets them. One bit of the first byte
// puts a rules file over the comparisons by address, so that their counts of
// ignored and tolerated lines are held against each other too.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/base/ErrorReport.h"
#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "engine/pairing/CompareByAddress.h"
#include "engine/pairing/CompareOptions.h"
#include "engine/values/Rules.h"

namespace {

class RecordingBox final : public parvex::MessageBox {
 public:
  void Show(const std::string& prompt, const std::string& caption, int style) override {
    shown.push_back(caption + "|" + prompt + "|" + std::to_string(style));
  }
  std::vector<std::string> shown;
};

struct Outcome {
  std::vector<parvex::DifferenceRow> rows;
  std::string caption1;
  std::string caption2;
  std::string status;
  std::vector<std::string> messages;
  bool operator==(const Outcome&) const = default;
};

std::string TempName(const char* which) {
  return "/tmp/parvex-fuzz-" + std::to_string(getpid()) + "-" + which;
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

// pairsOnly: every row pairs two lines (no "(missing)" side), so its values
// must differ as bytes.
template <typename Compare>
Outcome Observe(bool pairsOnly, Compare&& compare) {
  RecordingBox box;
  std::uint32_t tick = 0;
  parvex::InstallErrorServices([&tick] { return tick += 7000; }, box);
  parvex::DifferenceList list;
  compare(list);
  // Every row found is a real difference of values.
  for (const auto& row : list.Rows()) {
    if (pairsOnly && row.Value1() == row.Value2()) __builtin_trap();
  }
  Outcome outcome{list.Rows(), list.Column(2).Caption, list.Column(3).Caption, list.Status(),
                  box.shown};
  static RecordingBox idle;
  parvex::InstallErrorServices([] { return 0U; }, idle);
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto structure1 = static_cast<std::int16_t>(static_cast<std::int8_t>(data[0]) / 8);
  const auto structure2 = static_cast<std::int16_t>(static_cast<std::int8_t>(data[1]) / 8);
  const bool includeReadOnly = (data[0] & 1) != 0;
  static const auto rules = parvex::Rules::Parse(
      "[ignore]\naddresses = [\"1.*\", \"-1\"]\ndescriptions = [\"*x?\"]\n"
      "[[tolerance]]\naddresses = [\"2.1-2.5\"]\nrelative = \"10%\"\n"
      "[[tolerance]]\naddresses = [\"*\"]\nabsolute = \"1\"\n",
      "fuzz.toml");
  parvex::CompareOptions plain;
  plain.IncludeReadOnly = includeReadOnly;
  parvex::CompareOptions byAddress{true, (data[1] & 8) != 0,
                                   (data[0] & 0x40) != 0 ? rules : nullptr};
  byAddress.IncludeReadOnly = includeReadOnly;
  const parvex::ReadSizes tiny{1U + data[1] % 7U, 1U + (data[0] >> 1) % 5U};
  data += 2;
  size -= 2;
  const auto* split = static_cast<const std::uint8_t*>(std::memchr(data, 0xFE, size));
  const std::size_t size1 = split != nullptr ? static_cast<std::size_t>(split - data) : size;
  const std::size_t size2 = split != nullptr ? size - size1 - 1 : size1;

  static const std::string path1 = TempName("a1");
  static const std::string path2 = TempName("a2");
  WriteFile(path1, data, size1);
  if (split != nullptr) {
    WriteFile(path2, split + 1, size2);
  } else {
    std::vector<std::uint8_t> version(data, data + size1);
    for (std::uint8_t& byte : version) {
      if (byte == 0xFD) byte = '0';
    }
    WriteFile(path2, version.data(), version.size());
  }

  enum class Mode { kArchives, kStructures, kByAddress };
  for (const Mode mode : {Mode::kArchives, Mode::kStructures, Mode::kByAddress}) {
    const auto run = [&](const parvex::ReadSizes& sizes) {
      return Observe(mode != Mode::kByAddress, [&](parvex::DifferenceList& list) {
        if (mode == Mode::kStructures) {
          parvex::CompareStructures(path1, structure1, structure2, list, plain, nullptr, sizes);
        } else if (mode == Mode::kArchives) {
          parvex::CompareArchives(path1, path2, list, plain, nullptr, sizes);
        } else {
          parvex::CompareArchives(path1, path2, list, byAddress, nullptr, sizes);
        }
      });
    };
    if (!(run(parvex::ReadSizes{}) == run(tiny))) __builtin_trap();
  }
  // Matching by address gives the same whether or not it first tries pairing
  // the lines as they are read.
  const auto inTables = Observe(false, [&](parvex::DifferenceList& list) {
    parvex::CompareArchivesInTables(path1, path2, list, byAddress);
  });
  const auto inStep = Observe(false, [&](parvex::DifferenceList& list) {
    parvex::CompareArchives(path1, path2, list, byAddress);
  });
  if (!(inTables == inStep)) __builtin_trap();
  return 0;
}
