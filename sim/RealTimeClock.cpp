#include "sim/RealTimeClock.h"

#include <cstdio>

namespace sim {
namespace {

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = floorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = floorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

std::string two(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", v % 100);
  return buf;
}

}  // namespace

std::string DateTime::date() const { return two(month) + "/" + two(day) + "/" + two(year % 100); }
std::string DateTime::hh() const { return two(hour); }
std::string DateTime::mm() const { return two(minute); }
std::string DateTime::ss() const { return two(second); }

RealTimeClock::RealTimeClock() { baseSeconds_ = toSeconds(DateTime{2024, 1, 15, 8, 0, 0}); }

bool RealTimeClock::valid(const DateTime& v) {
  if (v.year < 2000 || v.year > 2099 || v.month < 1 || v.month > 12 || v.day < 1) return false;
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int limit = days[v.month - 1] + (v.month == 2 && v.year % 4 == 0 ? 1 : 0);
  if (v.day > limit) return false;
  return v.hour >= 0 && v.hour <= 23 && v.minute >= 0 && v.minute <= 59 && v.second >= 0 && v.second <= 59;
}

int64_t RealTimeClock::toSeconds(const DateTime& v) {
  return daysFromCivil(v.year, v.month, v.day) * 86400 + v.hour * 3600 + v.minute * 60 + v.second;
}

DateTime RealTimeClock::fromSeconds(int64_t s) {
  DateTime v;
  int64_t days = floorDiv(s, 86400);
  int64_t rest = s - days * 86400;
  civilFromDays(days, v.year, v.month, v.day);
  v.hour = static_cast<int>(rest / 3600);
  v.minute = static_cast<int>(rest / 60 % 60);
  v.second = static_cast<int>(rest % 60);
  return v;
}

bool RealTimeClock::set(const DateTime& value, Micros now) {
  if (!valid(value)) return false;
  baseSeconds_ = toSeconds(value);
  baseTime_ = now;
  return true;
}

DateTime RealTimeClock::at(Micros now) const {
  return fromSeconds(baseSeconds_ + floorDiv(now - baseTime_, kMicrosPerSecond));
}

}  // namespace sim
