#include "sim/ConfigItems.h"

#include <cstdio>

namespace sim {

ConfigItems::ConfigItems() {
  for (int item : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 99}) values_[item] = 0;
  values_[kItemVolume] = 5;
  values_[kItemStandard] = 1;
}

bool ConfigItems::accepts(int item, long long value) {
  switch (item) {
    case 1:
    case 2:
      return value >= INT32_MIN && value <= INT32_MAX;
    case kItemStandard:
      return value >= 0 && value <= 4;
    case kItemParity7E1:
    case kItemSync:
      return value == 0 || value == 1;
    case kItemLineForm:
      return value >= 0 && value <= 2;
    case kItemTrigger:
      return value >= 0 && value <= 3;
    case kItemNumber:
      return value >= 0 && value <= 99;
    case kItemLevel:
      return value >= -32768 && value <= 65535;
    case kItemScale:
      return value >= 0 && value <= 3;
    case kItemSpan:
      return value >= 0 && value <= 4;
    case kItemCallProgress:
      return value >= 0 && value <= 2;
    case 3:
    case 4:
    case 5:
    case kItemVolume:
    case 10:
    case 12:
      return value >= 0 && value <= 255;
    default:
      return false;
  }
}

bool ConfigItems::set(const std::vector<std::pair<int, long long>>& pairs) {
  for (auto& [item, value] : pairs) {
    if (!accepts(item, value)) return false;
  }
  for (auto& [item, value] : pairs) {
    long long v = value;
    if (item == kItemLevel && v > 32767) v -= 65536;  // the low 16 bits of a signed level
    values_[item] = static_cast<int>(v);
  }
  return true;
}

std::optional<std::vector<std::string>> ConfigItems::get(const std::vector<int>& ids) const {
  std::vector<std::string> out;
  for (int id : ids) {
    char buf[32];
    if (id == kItemAcFactor) {
      std::snprintf(buf, sizeof buf, "%g", kAcVoltsPerTraceUnit);
    } else if (id == kItemDcFactor) {
      std::snprintf(buf, sizeof buf, "%g", kDcTraceFactor);
    } else {
      auto it = values_.find(id);
      if (it == values_.end()) return std::nullopt;
      std::snprintf(buf, sizeof buf, "%d", it->second);
    }
    out.emplace_back(buf);
  }
  return out;
}

int ConfigItems::value(int item) const {
  auto it = values_.find(item);
  return it == values_.end() ? 0 : it->second;
}

void ConfigItems::setValue(int item, int value) { values_[item] = value; }

}  // namespace sim
