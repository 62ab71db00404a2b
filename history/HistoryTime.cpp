#include <cstdio>
#include <ctime>

#include "engine/base/LocalTime.h"
#include "history/Store.h"

namespace parvex {

namespace {

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool LeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && LeapYear(y) ? 29 : days[m - 1];
}

// Exactly count digits at text[at...]; -1 otherwise.
int Digits(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return -1;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

struct Written {
  int year, month, day, hour, minute, second;
};

std::optional<UnixSeconds> LocalSeconds(const Written& w) {
  std::tm tm{};
  tm.tm_year = w.year - 1900;
  tm.tm_mon = w.month - 1;
  tm.tm_mday = w.day;
  tm.tm_hour = w.hour;
  tm.tm_min = w.minute;
  tm.tm_sec = w.second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1) && !(w.year == 1969 && w.month == 12 && w.day == 31)) {
    return std::nullopt;
  }
  return static_cast<UnixSeconds>(t);
}

// The zone after the time: none (local time), "Z" or "+HH:MM"/"-HH:MM" as
// seconds east of UTC; false when the rest is something else.
bool ZoneOffset(std::string_view rest, std::optional<int>& east) {
  if (rest.empty()) return true;
  if (rest == "Z") {
    east = 0;
    return true;
  }
  if (rest.size() != 6 || (rest[0] != '+' && rest[0] != '-') || rest[3] != ':') return false;
  const int h = Digits(rest, 1, 2);
  const int m = Digits(rest, 4, 2);
  if (h < 0 || m < 0 || h > 23 || m > 59) return false;
  east = (rest[0] == '-' ? -1 : 1) * (h * 3600 + m * 60);
  return true;
}

}  // namespace

std::optional<UnixSeconds> ParseHistoryTime(std::string_view text, bool dateMeansEndOfDay) {
  if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  Written w{Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2), 0, 0, 0};
  if (w.year < 1 || w.month < 1 || w.month > 12 || w.day < 1 ||
      w.day > DaysInMonth(w.year, w.month)) {
    return std::nullopt;
  }
  std::string_view rest = text.substr(10);
  if (rest.empty() || rest.front() != 'T') {
    if (dateMeansEndOfDay) w = {w.year, w.month, w.day, 23, 59, 59};
  } else {
    if (rest.size() < 9 || rest[3] != ':' || rest[6] != ':') return std::nullopt;
    w.hour = Digits(rest, 1, 2);
    w.minute = Digits(rest, 4, 2);
    w.second = Digits(rest, 7, 2);
    if (w.hour < 0 || w.hour > 23 || w.minute < 0 || w.minute > 59 || w.second < 0 ||
        w.second > 59) {
      return std::nullopt;
    }
    rest.remove_prefix(9);
  }
  std::optional<int> east;
  if (!ZoneOffset(rest, east)) return std::nullopt;
  if (!east) return LocalSeconds(w);
  return DaysFromCivil(w.year, static_cast<unsigned>(w.month), static_cast<unsigned>(w.day)) *
             86400 +
         w.hour * 3600 + w.minute * 60 + w.second - *east;
}

std::string FormatHistoryTime(UnixSeconds time) {
  const std::tm tm = LocalTime(static_cast<std::time_t>(time));
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

}  // namespace parvex
