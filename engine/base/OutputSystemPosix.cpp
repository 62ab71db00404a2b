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

namespace {

// The text of a link, whatever its length (a link in /proc tells a size that
// is not its length).
bool ReadLink(const std::string& path, std::string& link) {
  for (std::size_t size = 256;; size *= 2) {
    link.assign(size, '\0');
    const ssize_t n = ::readlink(path.c_str(), link.data(), size);
    if (n < 0) return false;
    if (static_cast<std::size_t>(n) < size) {
      link.resize(static_cast<std::size_t>(n));
      return true;
    }
  }
}

// Standard output and the like, named by a descriptor this program has open:
// written through that descriptor, so that a redirection's file, offset and
// appending stay as the shell made them.
int DescriptorNamed(const std::string& target) {
  if (target == "/dev/stdout") return 1;
  if (target == "/dev/stderr") return 2;
  for (const std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    if (target.size() <= prefix.size() || target.compare(0, prefix.size(), prefix) != 0) continue;
    int fd = 0;
    for (std::size_t k = prefix.size(); k < target.size(); ++k) {
      if (target[k] < '0' || target[k] > '9' || fd > 100000) return -1;
      fd = fd * 10 + (target[k] - '0');
    }
    return fd;
  }
  return -1;
}

}  // namespace

ResolvedTarget ResolveTarget(const std::string& target) {
  ResolvedTarget out;
  out.path = target;
  out.descriptor = DescriptorNamed(target);
  if (out.descriptor >= 0) {
    out.kind = TargetKind::Other;
    return out;
  }
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
    std::string link;
    if (!ReadLink(out.path, link) || link.empty()) {
      out.error = errno != 0 ? errno : ENOENT;
      break;
    }
    const std::size_t slash = out.path.rfind('/');
    out.path = link.front() == '/' || slash == std::string::npos
                   ? link
                   : out.path.substr(0, slash + 1) + link;
  }
  // A link whose text is no path (a descriptor of another program in /proc,
  // a file deleted since) leads elsewhere than its text says: written in
  // place, through the name given.
  struct stat given {};
  struct stat found {};
  if (out.error == 0 && out.kind != TargetKind::Folder && ::stat(target.c_str(), &given) == 0 &&
      (::stat(out.path.c_str(), &found) != 0 || given.st_dev != found.st_dev ||
       given.st_ino != found.st_ino)) {
    out.path = target;
    out.kind = S_ISDIR(given.st_mode) ? TargetKind::Folder : TargetKind::Other;
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

int OutputHandle::OpenDescriptor(int descriptor) {
  const int fd = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
  if (fd < 0) return errno == EBADF ? ENOENT : errno;
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
  // Only once it is ours: a name remembered before could be another file's.
  Remember(path);
  if (keep) {
    // The owner and group where we may give them (a member of the group may
    // give the group alone); then the mode, which a change of owner could
    // otherwise strip.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      if (::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) errno = 0;
    }
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

int Writable(const std::string& path) {
  return ::access(path.c_str(), W_OK) != 0 ? errno : 0;
}

int FolderTakesFiles(const std::string& folder) {
  const char* path = folder.empty() ? "." : folder.c_str();
  struct stat st {};
  if (::stat(path, &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  return ::access(path, W_OK | X_OK) != 0 ? errno : 0;
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
