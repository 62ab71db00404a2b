#pragma once

#include <cstddef>

namespace parvex::test {

// While one lives, the writer's temporary files (named with its suffix) take
// room bytes more and then fail as a full disk does (ENOSPC), without any
// device or file system being touched. Only in a test linked with
// -Wl,--wrap=write, where FullDisk.cpp stands between the program and write.
class FullDisk {
 public:
  explicit FullDisk(std::size_t room = 0);
  ~FullDisk();
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;
  // How many writes were refused.
  std::size_t Refused() const;
};

}  // namespace parvex::test
