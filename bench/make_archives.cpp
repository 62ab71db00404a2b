// Writes the benchmark archive pair: make_archives FOLDER [LINES]
#include <cstdio>
#include <cstdlib>

#include "ArchiveGenerator.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_archives FOLDER [LINES]\n");
    return 2;
  }
  const std::size_t lines = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1000000;
  const auto pair = parvex::bench::GenerateArchivePair(argv[1], lines);
  std::printf("%s\n%s\n", pair.archive1.c_str(), pair.archive2.c_str());
  return 0;
}
