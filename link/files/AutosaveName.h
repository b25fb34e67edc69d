#pragma once

// The name the autosave step gives the data that comes next: the date and time of a stored
// session or trace ("MM/DD/YY", "HH:MM:SS") or of the clock, formatted
// "%A, %B %d, %Y %H_%M_%S" with English names whatever the locale.

#include <string>
#include <string_view>

#include "link/store/DocumentType.h"

// A calendar date and time of day (month 1..12, day 1..31).
struct CivilTime {
  int year = 2000;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const CivilTime&) const = default;
};

// The local clock now.
CivilTime LocalNow();

// The date and time an entry's texts name, or `clock` when the date text is shorter than 7
// characters. A month or day of 0 gives 1 January 2000 with the time kept; other out-of-range
// fields roll over into the next unit as the C runtime's mktime does.
CivilTime AutosaveTime(std::string_view dateText, std::string_view timeText, const CivilTime& clock);

// "%A, %B %d, %Y %H_%M_%S", e.g. "Tuesday, March 05, 2024 07_08_09".
std::string AutosaveName(const CivilTime& when);

// folder + separator (unless the folder is empty or ends with one) + name + ".hsc" (capture) or ".ast"
// (trace). The separator is a backslash for a folder written with backslashes only, else '/'.
std::string AutosavePath(std::string_view folder, std::string_view name, DocumentType documentType);
