#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "engine/base/OutputSystem.h"

namespace parvex {

namespace {

// Temporary files being written, for the signal handler: fixed slots, so that
// the handler touches nothing but plain memory and unlink.
constexpr int kSlots = 32;
constexpr std::size_t kPathMax = 4096;
char gPaths[kSlots][kPathMax];
std::atomic<int> gState[kSlots];  // 0 free, 1 being filled, 2 to remove on a signal

extern "C" void RemoveTemporariesAndEnd(int signal) {
  for (int i = 0; i < kSlots; ++i) {
    if (gState[i].load() == 2) ::unlink(gPaths[i]);
  }
  // Ends as the signal would have ended the program: status 130 or 143.
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Only where nobody asked for other handling: an ignored SIGINT stays
// ignored, and a program's own handler stays its own.
void InstallHandlers() {
  for (const int signal : {SIGINT, SIGTERM}) {
    struct sigaction old {};
    if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndEnd;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

void Remember(const std::string& path) {
  if (path.size() >= kPathMax) return;
  InstallHandlers();
  for (int i = 0; i < kSlots; ++i) {
    int expected = 0;
    if (!gState[i].compare_exchange_strong(expected, 1)) continue;
    std::memcpy(gPaths[i], path.c_str(), path.size() + 1);
    gState[i].store(2);
    return;
  }
}

int ErrnoOr(int fallback) {
  return errno != 0 ? errno : fallback;
}

}  // namespace

std::optional<FileId> IdOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

ResolvedTarget ResolveTarget(const std::string& target) {
  ResolvedTarget out;
  out.path = target;
  for (int hops = 0;; ++hops) {
    struct stat st {};
    if (::lstat(out.path.c_str(), &st) != 0) {
      if (errno != ENOENT) out.error = errno;
      break;
    }
    if (!S_ISLNK(st.st_mode)) {
      out.kind = S_ISREG(st.st_mode)   ? TargetKind::Regular
                 : S_ISDIR(st.st_mode) ? TargetKind::Folder
                                       : TargetKind::Other;
      break;
    }
    if (hops == 40) {
      out.error = ELOOP;
      break;
    }
    std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(out.path.c_str(), link.data(), link.size());
    if (n < 0) {
      out.error = errno;
      break;
    }
    link.resize(static_cast<std::size_t>(n));
    const std::size_t slash = out.path.rfind('/');
    out.path = link.front() == '/' || slash == std::string::npos
                   ? link
                   : out.path.substr(0, slash + 1) + link;
  }
  const std::size_t slash = out.path.rfind('/');
  out.folder = slash == std::string::npos ? std::string() : out.path.substr(0, slash + 1);
  out.name = slash == std::string::npos ? out.path : out.path.substr(slash + 1);
  return out;
}

OutputHandle::~OutputHandle() {
  Close();
}

int OutputHandle::OpenExisting(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno;
  file_ = fd;
  return 0;
}

int OutputHandle::CreateNew(const std::string& path, const std::string* modeOf) {
  struct stat old {};
  const bool keep = modeOf != nullptr && ::stat(modeOf->c_str(), &old) == 0;
  // Private until it has the old file's mode, which may be stricter.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        keep ? S_IRUSR | S_IWUSR : 0666);
  if (fd < 0) return errno;
  file_ = fd;
  Remember(path);
  if (keep) {
    // The owner where we may give it; then the mode, which a change of owner
    // could otherwise strip.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) errno = 0;
    if (::fchmod(fd, old.st_mode & 07777) != 0) return errno;
  }
  return 0;
}

int OutputHandle::WriteAll(const char* data, std::size_t size) {
  while (size > 0) {
    errno = 0;
    const ssize_t n = ::write(static_cast<int>(file_), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return ErrnoOr(EIO);
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

int OutputHandle::SyncAndClose() {
  errno = 0;
  if (::fsync(static_cast<int>(file_)) != 0) {
    const int error = errno;
    Close();
    return error;
  }
  return Close();
}

int OutputHandle::Close() {
  if (file_ < 0) return 0;
  const int fd = static_cast<int>(file_);
  file_ = -1;
  errno = 0;
  return ::close(fd) != 0 && errno != EINTR ? errno : 0;
}

int MoveOver(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) != 0 ? errno : 0;
}

void ForgetTemporary(const std::string& path) {
  for (int i = 0; i < kSlots; ++i) {
    if (gState[i].load() == 2 && path == gPaths[i]) {
      gState[i].store(0);
      return;
    }
  }
}

void RemoveTemporary(const std::string& path) {
  ::unlink(path.c_str());
  ForgetTemporary(path);
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace parvex
