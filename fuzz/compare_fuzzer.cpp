// Feeds arbitrary bytes as two archives through both comparisons.
// The first two bytes choose the structures and the read-only option; the rest
// is split at the first 0xFE byte into archive 1 and archive 2.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/Compare.h"
#include "engine/DifferenceList.h"
#include "engine/ErrorReport.h"

namespace {

class CountingBox final : public parvex::MessageBox {
 public:
  void Show(const std::string&, const std::string&, int) override { ++shown; }
  unsigned long shown = 0;
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CountingBox box;
  static std::uint32_t tick = 0;
  parvex::InstallErrorServices([] { return tick += 7000; }, box);

  if (size < 2) return 0;
  const auto structure1 = static_cast<std::int16_t>(static_cast<std::int8_t>(data[0]) / 8);
  const auto structure2 = static_cast<std::int16_t>(static_cast<std::int8_t>(data[1]) / 8);
  const bool includeReadOnly = (data[0] & 1) != 0;
  data += 2;
  size -= 2;
  const auto* split = static_cast<const std::uint8_t*>(std::memchr(data, 0xFE, size));
  const std::size_t size1 = split != nullptr ? static_cast<std::size_t>(split - data) : size;
  const std::size_t size2 = split != nullptr ? size - size1 - 1 : 0;

  static const std::string path1 = TempName("a1");
  static const std::string path2 = TempName("a2");
  WriteFile(path1, data, size1);
  WriteFile(path2, split != nullptr ? split + 1 : data, size2);

  parvex::DifferenceList list;
  parvex::CompareArchives(path1, path2, list, includeReadOnly);
  // Every row found is a real difference of values.
  for (const auto& row : list.Rows()) {
    if (row.Value1() == row.Value2()) __builtin_trap();
  }
  parvex::CompareStructures(path1, structure1, structure2, list, includeReadOnly);
  for (const auto& row : list.Rows()) {
    if (row.Value1() == row.Value2()) __builtin_trap();
  }
  return 0;
}
