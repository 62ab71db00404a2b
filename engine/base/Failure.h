#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace parvex {

// A failure as the user sees it: a number and a description. Thrown as an
// exception and caught by the handler of the procedure that was running.
class Failure : public std::exception {
 public:
  Failure(std::int32_t number, std::string description)
      : number_(number), description_(std::move(description)) {}

  std::int32_t Number() const noexcept { return number_; }
  const std::string& Description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::int32_t number_;
  std::string description_;
};

// The numbers the program's behaviour depends on.
inline constexpr std::int32_t kErrOverflow = 6;
inline constexpr std::int32_t kErrSubscript = 9;
inline constexpr std::int32_t kErrTypeMismatch = 13;
inline constexpr std::int32_t kErrCancel = 32755;
// File-system numbers of the run time, for failures of our own file access.
inline constexpr std::int32_t kErrOutOfMemory = 7;
inline constexpr std::int32_t kErrDiskFull = 61;
inline constexpr std::int32_t kErrPermission = 70;
inline constexpr std::int32_t kErrFileAccess = 75;
inline constexpr std::int32_t kErrPathNotFound = 76;
inline constexpr std::int32_t kErrDeviceIo = 57;
inline constexpr std::int32_t kErrInternal = 51;

Failure OverflowFailure();
Failure SubscriptFailure();
Failure TypeMismatchFailure();
Failure CancelFailure();

// Maps an errno value from a failed file operation onto the run time's numbers.
Failure FileFailure(int errnoValue, const std::string& path);

// The failure that is being handled right now (inside a catch block), with any
// standard exception turned into a Failure with a clear description.
Failure CurrentFailure();

// 16-bit counters and address numbers: every change goes through these, and a
// result outside -32768..32767 is failure 6 rather than a silent wrap.
[[noreturn]] void ThrowOverflow();
inline std::int16_t CheckedInt16(long long value) {
  if (value < -32768 || value > 32767) ThrowOverflow();
  return static_cast<std::int16_t>(value);
}
inline std::int16_t CheckedAdd16(std::int16_t a, long long b) {
  return CheckedInt16(static_cast<long long>(a) + b);
}

}  // namespace parvex
