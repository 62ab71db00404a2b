#pragma once

#include <ctime>

namespace parvex {

// The local time of a moment, by the thread-safe call each platform has.
inline std::tm LocalTime(std::time_t when) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &when);
#else
  localtime_r(&when, &local);
#endif
  return local;
}

}  // namespace parvex
