#pragma once

// The instrument's configuration items, numbered as "SC" and "GC" name them.
//  1, 2, 3, 4, 5   general items the PC stores and shows; kept as given
//  6   speaker volume             7   modem standard (0 B300, 1 1200/2400, 2 9600, 3 14400, 4 V.21)
//  8   data format (1 = 7E1)      9   synchronous capture (1)
// 11   data-line form of capture and stored-session lines: 0 automatic (text up to 2400 bit/s,
//      binary above), 1 always text, 2 always binary
// 13   trigger (scope: 0 dial tone, 1 DTMF digits, 2 ring-back, 3 voltage level)
// 14   number: ring-back count of the ring-back trigger
// 15   voltage trigger level, percent of the range's full scale (signed 16-bit)
// 16   scope range (0 60 V DC, 1 30 V DC, 2 1.5 V AC p-p, 3 0.7 V AC p-p)
// 17   scope span (0 5 s, 1 10 s, 2 15 s, 3 20 s, 4 60 s)
// 99   call-progress selection (0 dial tone, 1 DTMF, 2 ring-back)
// Read only: 18 volts per sample unit of a trace on an AC range, 19 the DC ranges' factor (its
// sign reversed gives volts per unit).

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sim {

enum ConfigItem : int {
  kItemVolume = 6,
  kItemStandard = 7,
  kItemParity7E1 = 8,
  kItemSync = 9,
  kItemLineForm = 11,
  kItemTrigger = 13,
  kItemNumber = 14,
  kItemLevel = 15,
  kItemScale = 16,
  kItemSpan = 17,
  kItemAcFactor = 18,
  kItemDcFactor = 19,
  kItemCallProgress = 99,
};

constexpr double kAcVoltsPerTraceUnit = 0.005;
constexpr double kDcTraceFactor = -0.1;  // volts per unit = -factor

class ConfigItems {
 public:
  ConfigItems();

  // Applies (item, value) pairs all or nothing; false names no change.
  bool set(const std::vector<std::pair<int, long long>>& pairs);
  // The reply text of each id in order ("%g" for the factors); none when an id is unknown.
  std::optional<std::vector<std::string>> get(const std::vector<int>& ids) const;

  int value(int item) const;
  void setValue(int item, int value);  // direct, for tests and scenario set-up

 private:
  static bool accepts(int item, long long value);
  std::map<int, int> values_;
};

}  // namespace sim
