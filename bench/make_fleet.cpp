// Writes a reference archive and a fleet of archives made from it, each with
// a few values changed and a few lines inserted or removed, for timing
// `parvex-cli reference`:
//   make_fleet FOLDER [ARCHIVES=1000] [LINES=10000]
// FOLDER/reference.arc and FOLDER/fleet/m0000.arc ...
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ReferenceLines(std::size_t count) {
  static const char* const kNames[] = {"Motor speed limit",    "Ramp up time",
                                       "Current limit",        "Position window",
                                       "Gear ratio numerator", "Torque offset"};
  static const char* const kUnits[] = {"rpm", "s", "A", "mm", "", "Nm"};
  std::mt19937 rng(20261207);
  std::vector<std::string> lines;
  int structure = 1;
  int member = 0;
  char line[160];
  for (std::size_t i = 0; i < count; ++i) {
    if (i % 997 == 0) {
      std::snprintf(line, sizeof line, "$ section %d\r\n", structure);
    } else {
      const int k = static_cast<int>(i % 6);
      const int v = static_cast<int>(rng() % 100000);
      std::snprintf(line, sizeof line, "%d.%d\t%s%s %d\t%d.%02d\t%s\r\n", structure, member,
                    rng() % 10 == 0 ? "!" : "", kNames[k], member, v / 100, v % 100, kUnits[k]);
      if (++member == 50) {
        member = 0;
        ++structure;
      }
    }
    lines.emplace_back(line);
  }
  return lines;
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    std::perror(path.c_str());
    std::exit(1);
  }
  for (const std::string& l : lines) std::fwrite(l.data(), 1, l.size(), f);
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_fleet FOLDER [ARCHIVES] [LINES]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::size_t archives = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1000;
  const std::size_t count = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 10000;
  std::filesystem::create_directories(folder + "/fleet");
  const std::vector<std::string> reference = ReferenceLines(count);
  WriteLines(folder + "/reference.arc", reference);
  std::mt19937 rng(7);
  for (std::size_t a = 0; a < archives; ++a) {
    std::vector<std::string> lines = reference;
    // A few values changed, a line or two removed, one inserted.
    for (int c = 0; c < 5; ++c) {
      std::string& l = lines[rng() % lines.size()];
      const std::size_t tab = l.find('\t', l.find('\t') + 1);
      if (l[0] != '$' && tab != std::string::npos) l.insert(tab + 1, "1");
    }
    for (auto r = rng() % 3; r > 0; --r) {
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(rng() % lines.size()));
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(rng() % lines.size()),
                 "9" + std::to_string(rng() % 1000) + ".1\tAdded on site\t1\t\r\n");
    char name[48];
    std::snprintf(name, sizeof name, "/fleet/m%04zu.arc", a);
    WriteLines(folder + name, lines);
  }
  return 0;
}
