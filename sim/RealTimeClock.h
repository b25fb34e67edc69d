#pragma once

// The instrument's battery clock: set by "SR:MM:DD:YY:hh:mm:ss" (years 2000-2099), it runs on
// with the instrument clock.

#include <cstdint>
#include <string>

#include "sim/SimTime.h"

namespace sim {

struct DateTime {
  int year = 2024;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;

  std::string date() const;  // "MM/DD/YY"
  std::string hh() const;
  std::string mm() const;
  std::string ss() const;
};

class RealTimeClock {
 public:
  RealTimeClock();

  // false (and no change) when a field is out of range.
  bool set(const DateTime& value, Micros now);
  DateTime at(Micros now) const;

  static bool valid(const DateTime& value);
  static int64_t toSeconds(const DateTime& value);
  static DateTime fromSeconds(int64_t seconds);

 private:
  int64_t baseSeconds_ = 0;
  Micros baseTime_ = 0;
};

}  // namespace sim
