#include "link/files/AutosaveName.h"

#include <ctime>

#include "link/store/DocumentType.h"

namespace {

constexpr const char* kWeekdays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};

// The C runtime's atoi of two characters from `at` (fewer when the text is shorter).
int NumberAt(std::string_view text, std::size_t at) {
  if (at >= text.size()) return 0;
  std::string_view part = text.substr(at, 2);
  std::size_t k = 0;
  while (k < part.size() && (part[k] == ' ' || part[k] == '\t')) ++k;
  bool negative = false;
  if (k < part.size() && (part[k] == '+' || part[k] == '-')) negative = part[k++] == '-';
  int value = 0;
  while (k < part.size() && part[k] >= '0' && part[k] <= '9') value = value * 10 + (part[k++] - '0');
  return negative ? -value : value;
}

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days from 1970-01-01 of a proleptic Gregorian date (month 1..12).
long long DaysFromCivil(long long y, int m, int d) {
  y -= m <= 2;
  const long long era = FloorDiv(y, 400);
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilTime CivilFromDays(long long days, long long secondOfDay) {
  days += 719468;
  const long long era = FloorDiv(days, 146097);
  const long long doe = days - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  CivilTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
  t.hour = static_cast<int>(secondOfDay / 3600);
  t.minute = static_cast<int>(secondOfDay / 60 % 60);
  t.second = static_cast<int>(secondOfDay % 60);
  return t;
}

// Rolls any field over into the next unit, as mktime does.
CivilTime Normalise(long long year, long long month, long long day, long long hour, long long minute,
                    long long second) {
  year += FloorDiv(month - 1, 12);
  month = month - 1 - FloorDiv(month - 1, 12) * 12 + 1;
  const long long seconds = hour * 3600 + minute * 60 + second;
  const long long days = DaysFromCivil(year, static_cast<int>(month), 1) + (day - 1) + FloorDiv(seconds, 86400);
  return CivilFromDays(days, seconds - FloorDiv(seconds, 86400) * 86400);
}

void PutTwo(std::string& out, int value) {
  out += static_cast<char>('0' + value / 10 % 10);
  out += static_cast<char>('0' + value % 10);
}

}  // namespace

CivilTime LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return CivilTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

CivilTime AutosaveTime(std::string_view dateText, std::string_view timeText, const CivilTime& clock) {
  if (dateText.size() < 7) return clock;
  int year = 2000 + NumberAt(dateText, 6);
  int month = NumberAt(dateText, 0);
  int day = NumberAt(dateText, 3);
  if (month == 0 || day == 0) {
    year = 2000;
    month = 1;
    day = 1;
  }
  return Normalise(year, month, day, NumberAt(timeText, 0), NumberAt(timeText, 3), NumberAt(timeText, 6));
}

std::string AutosaveName(const CivilTime& when) {
  const CivilTime t = Normalise(when.year, when.month, when.day, when.hour, when.minute, when.second);
  const long long days = DaysFromCivil(t.year, t.month, t.day);
  const int weekday = static_cast<int>(days - FloorDiv(days + 4, 7) * 7 + 4);  // 1970-01-01: Thursday
  std::string name = kWeekdays[weekday];
  name += ", ";
  name += kMonths[t.month - 1];
  name += ' ';
  PutTwo(name, t.day);
  name += ", ";
  name += std::to_string(t.year);
  name += ' ';
  PutTwo(name, t.hour);
  name += '_';
  PutTwo(name, t.minute);
  name += '_';
  PutTwo(name, t.second);
  return name;
}

std::string AutosavePath(std::string_view folder, std::string_view name, DocumentType documentType) {
  std::string path(folder);
  const bool backslashes = folder.find('\\') != std::string_view::npos && folder.find('/') == std::string_view::npos;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += backslashes ? '\\' : '/';
  path += name;
  path += documentType == DocumentType::Trace ? ".ast" : ".hsc";
  return path;
}
