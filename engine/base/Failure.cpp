#include "engine/base/Failure.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

#ifdef _WIN32
#include <winerror.h>
#endif

namespace parvex {

Failure OverflowFailure() {
  return {kErrOverflow, "Overflow"};
}
Failure SubscriptFailure() {
  return {kErrSubscript, "Subscript out of range"};
}
Failure TypeMismatchFailure() {
  return {kErrTypeMismatch, "Type mismatch"};
}
Failure CancelFailure() {
  return {kErrCancel, "Cancel was selected."};
}

Failure FileFailure(int errnoValue, const std::string& path) {
#ifdef _WIN32
  // The Windows C run time turns the system's device errors into EINVAL;
  // give them the number they have elsewhere.
  if (errnoValue == EINVAL) {
    switch (_doserrno) {
      case ERROR_NOT_READY:
      case ERROR_CRC:
      case ERROR_SEEK:
      case ERROR_SECTOR_NOT_FOUND:
      case ERROR_WRITE_FAULT:
      case ERROR_READ_FAULT:
      case ERROR_GEN_FAILURE:
      case ERROR_IO_DEVICE:
        errnoValue = EIO;
        break;
      case ERROR_HANDLE_DISK_FULL:
        errnoValue = ENOSPC;
        break;
      default:
        break;
    }
  }
#endif
  std::string detail = std::strerror(errnoValue);
  switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
      return {kErrPathNotFound, "Path not found: '" + path + "' (" + detail + ")"};
    case EACCES:
    case EPERM:
    case EROFS:
      return {kErrPermission, "Permission denied: '" + path + "' (" + detail + ")"};
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return {kErrDiskFull, "Disk full: '" + path + "' (" + detail + ")"};
    case EIO:
      return {kErrDeviceIo, "Device I/O error: '" + path + "' (" + detail + ")"};
    case ENOMEM:
      return {kErrOutOfMemory, "Out of memory"};
    default:
      return {kErrFileAccess, "Path/File access error: '" + path + "' (" + detail + ")"};
  }
}

Failure CurrentFailure() {
  const std::exception_ptr pending = std::current_exception();
  if (!pending) return {0, std::string()};
  try {
    std::rethrow_exception(pending);
  } catch (const Failure& f) {
    return f;
  } catch (const std::bad_alloc&) {
    return {kErrOutOfMemory, "Out of memory"};
  } catch (const std::filesystem::filesystem_error& e) {
    return FileFailure(e.code().value(), e.path1().string());
  } catch (const std::length_error&) {
    return {kErrOutOfMemory, "Out of memory"};
  } catch (const std::exception& e) {
    return {kErrInternal, std::string("Internal error: ") + e.what()};
  } catch (...) {
    return {kErrInternal, "Internal error"};
  }
}

void ThrowOverflow() {
  throw OverflowFailure();
}

}  // namespace parvex
