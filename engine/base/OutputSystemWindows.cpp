#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <mutex>

#include "engine/base/OutputSystem.h"

namespace parvex {

namespace {

namespace fs = std::filesystem;

fs::path Wide(const std::string& utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// Temporary files being written, for Ctrl+C: fixed slots the handler reads.
constexpr int kSlots = 32;
constexpr std::size_t kPathMax = 4096;
wchar_t gPaths[kSlots][kPathMax];
std::atomic<int> gState[kSlots];

extern "C" void RemoveTemporariesAndEnd(int signal) {
  for (int i = 0; i < kSlots; ++i) {
    if (gState[i].load() == 2) ::_wunlink(gPaths[i]);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void Remember(const std::wstring& path) {
  if (path.size() >= kPathMax) return;
  static std::once_flag once;
  std::call_once(once, [] {
    for (const int signal : {SIGINT, SIGTERM}) std::signal(signal, RemoveTemporariesAndEnd);
  });
  for (int i = 0; i < kSlots; ++i) {
    int expected = 0;
    if (!gState[i].compare_exchange_strong(expected, 1)) continue;
    path.copy(gPaths[i], path.size());
    gPaths[i][path.size()] = L'\0';
    gState[i].store(2);
    return;
  }
}

}  // namespace

std::optional<FileId> IdOf(const std::string& path) {
  if (path.empty()) return std::nullopt;
  const HANDLE h =
      ::CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(h, &info) != 0;
  ::CloseHandle(h);
  if (!known) return std::nullopt;
  return FileId{info.dwVolumeSerialNumber,
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

ResolvedTarget ResolveTarget(const std::string& target) {
  ResolvedTarget out;
  out.path = target;
  std::error_code error;
  const fs::file_status status = fs::status(Wide(target), error);
  if (fs::is_regular_file(status)) {
    out.kind = TargetKind::Regular;
  } else if (fs::is_directory(status)) {
    out.kind = TargetKind::Folder;
  } else if (fs::exists(status)) {
    out.kind = TargetKind::Other;
  }
  const std::size_t slash = target.find_last_of("/\\");
  out.folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  out.name = slash == std::string::npos ? target : target.substr(slash + 1);
  return out;
}

OutputHandle::~OutputHandle() {
  Close();
}

int OutputHandle::OpenExisting(const std::string& path) {
  const int fd = ::_wopen(Wide(path).c_str(), _O_WRONLY | _O_BINARY);
  if (fd < 0) return errno;
  file_ = fd;
  return 0;
}

int OutputHandle::OpenDescriptor(int descriptor) {
  const int fd = ::_dup(descriptor);
  if (fd < 0) return errno;
  file_ = fd;
  return 0;
}

int OutputHandle::CreateNew(const std::string& path, const std::string* /*modeOf*/) {
  const std::wstring wide = Wide(path).wstring();
  const int fd =
      ::_wopen(wide.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return errno;
  file_ = fd;
  Remember(wide);
  return 0;
}

int OutputHandle::WriteAll(const char* data, std::size_t size) {
  while (size > 0) {
    const unsigned chunk = size > 0x40000000U ? 0x40000000U : static_cast<unsigned>(size);
    errno = 0;
    const int n = ::_write(static_cast<int>(file_), data, chunk);
    if (n <= 0) return errno != 0 ? errno : EIO;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

int OutputHandle::SyncAndClose() {
  if (::_commit(static_cast<int>(file_)) != 0) {
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
  return ::_close(fd) != 0 ? errno : 0;
}

int Writable(const std::string& path) {
  return ::_waccess(Wide(path).c_str(), 2) != 0 ? errno : 0;
}

int FolderTakesFiles(const std::string& folder) {
  std::error_code error;
  const fs::path path = folder.empty() ? fs::path(".") : Wide(folder);
  if (!fs::exists(path, error)) return ENOENT;
  return fs::is_directory(path, error) ? 0 : ENOTDIR;
}

int MoveOver(const std::string& from, const std::string& to) {
  if (::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
    return 0;
  }
  return ::GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
}

void ForgetTemporary(const std::string& path) {
  const std::wstring wide = Wide(path).wstring();
  for (int i = 0; i < kSlots; ++i) {
    if (gState[i].load() == 2 && wide == gPaths[i]) {
      gState[i].store(0);
      return;
    }
  }
}

void RemoveTemporary(const std::string& path) {
  ::_wunlink(Wide(path).c_str());
  ForgetTemporary(path);
}

void SyncFolder(const std::string& /*folder*/) {
  // MOVEFILE_WRITE_THROUGH has already made the rename last.
}

}  // namespace parvex
