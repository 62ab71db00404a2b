#include "support/FullDisk.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "engine/base/OutputFile.h"

extern "C" ssize_t __real_write(int fd, const void* data, std::size_t size);

namespace {

bool gFull = false;
std::size_t gRoom = 0;
std::size_t gRefused = 0;

bool IsWriterTemporary(int fd) {
  std::string name(4096, '\0');
  const ssize_t n =
      ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), name.data(), name.size());
  if (n <= 0) return false;
  name.resize(static_cast<std::size_t>(n));
  return parvex::IsWriterTemporary(name.substr(name.rfind('/') + 1));
}

}  // namespace

// Writes what fits, then refuses: a short write first, as a disk that fills
// up gives one.
extern "C" ssize_t __wrap_write(int fd, const void* data, std::size_t size) {
  if (!gFull || size == 0 || !IsWriterTemporary(fd)) return __real_write(fd, data, size);
  if (gRoom == 0) {
    ++gRefused;
    errno = ENOSPC;
    return -1;
  }
  const ssize_t n = __real_write(fd, data, size < gRoom ? size : gRoom);
  if (n > 0) gRoom -= static_cast<std::size_t>(n);
  return n;
}

namespace parvex::test {

FullDisk::FullDisk(std::size_t room) {
  gFull = true;
  gRoom = room;
  gRefused = 0;
}

FullDisk::~FullDisk() {
  gFull = false;
}

std::size_t FullDisk::Refused() const {
  return gRefused;
}

}  // namespace parvex::test
