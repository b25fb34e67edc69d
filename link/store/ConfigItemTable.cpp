#include "link/store/ConfigItemTable.h"

#include <charconv>
#include <cstdio>
#include <string_view>

namespace {

struct SettingsItem {
  ULONG bit;  // 0: read back only
  int item;
  long (*get)(const CSysCfg&);
  void (*set)(CSysCfg&, long);
};

template <class T>
constexpr T Narrow(long value) {
  return static_cast<T>(value);
}

// In the order SC appends them.
constexpr SettingsItem kItems[] = {
    {0x1, 1, [](const CSysCfg& c) -> long { return c.item1; }, [](CSysCfg& c, long v) { c.item1 = Narrow<LONG>(v); }},
    {0x2, 2, [](const CSysCfg& c) -> long { return c.item2; }, [](CSysCfg& c, long v) { c.item2 = Narrow<LONG>(v); }},
    {0x4, 3, [](const CSysCfg& c) -> long { return c.item3; }, [](CSysCfg& c, long v) { c.item3 = Narrow<UCHAR>(v); }},
    {0x8, 4, [](const CSysCfg& c) -> long { return c.item4; }, [](CSysCfg& c, long v) { c.item4 = Narrow<UCHAR>(v); }},
    {0x10, 5, [](const CSysCfg& c) -> long { return c.item5; }, [](CSysCfg& c, long v) { c.item5 = Narrow<UCHAR>(v); }},
    {0x20, 6, [](const CSysCfg& c) -> long { return c.modem3Volume; },
     [](CSysCfg& c, long v) { c.modem3Volume = Narrow<UCHAR>(v); }},
    {0x40, 7, [](const CSysCfg& c) -> long { return c.standard; },
     [](CSysCfg& c, long v) { c.standard = Narrow<UCHAR>(v); }},
    {0x80, 8, [](const CSysCfg& c) -> long { return c.parity7E1; },
     [](CSysCfg& c, long v) { c.parity7E1 = Narrow<UCHAR>(v); }},
    {0x100, 9, [](const CSysCfg& c) -> long { return c.sync; }, [](CSysCfg& c, long v) { c.sync = Narrow<UCHAR>(v); }},
    {0x400, 11, [](const CSysCfg& c) -> long { return c.item11; },
     [](CSysCfg& c, long v) { c.item11 = Narrow<UCHAR>(v); }},
    {0x10000, 16, [](const CSysCfg& c) -> long { return c.traceScale; },
     [](CSysCfg& c, long v) { c.traceScale = Narrow<UCHAR>(v); }},
    {0x20000, 17, [](const CSysCfg& c) -> long { return c.traceSpan; },
     [](CSysCfg& c, long v) { c.traceSpan = Narrow<UCHAR>(v); }},
    {0x800, 13, [](const CSysCfg& c) -> long { return c.trigger; },
     [](CSysCfg& c, long v) { c.trigger = Narrow<UCHAR>(v); }},
    {0x2000, 99, [](const CSysCfg& c) -> long { return c.callProgress; },
     [](CSysCfg& c, long v) { c.callProgress = Narrow<UCHAR>(v); }},
    {0x4000, 14, [](const CSysCfg& c) -> long { return c.item14; },
     [](CSysCfg& c, long v) { c.item14 = Narrow<UCHAR>(v); }},
    // The trigger level is a signed percentage kept in a 16-bit word.
    {0x8000, 15, [](const CSysCfg& c) -> long { return static_cast<SHORT>(c.item15); },
     [](CSysCfg& c, long v) { c.item15 = static_cast<USHORT>(Narrow<SHORT>(v)); }},
};

const SettingsItem* FindItem(int item) {
  for (const SettingsItem& entry : kItems) {
    if (entry.item == item) return &entry;
  }
  return nullptr;
}

}  // namespace

std::string BuildSettingsCommand(const CSysCfg& config, ULONG mask) {
  std::string command = "SC";
  for (const SettingsItem& entry : kItems) {
    if ((mask & entry.bit) == 0) continue;
    char pair[32];
    std::snprintf(pair, sizeof pair, ":%i:%i", entry.item, static_cast<int>(entry.get(config)));
    command += pair;
  }
  return command;
}

bool StoreConfigValue(CSysCfg& config, int item, std::string_view value) {
  const char* first = value.data();
  const char* last = value.data() + value.size();
  while (first != last && *first == ' ') ++first;
  if (first != last && *first == '+') ++first;
  if (item == CONFIG_ITEM_AC_FACTOR || item == CONFIG_ITEM_DC_FACTOR) {
    double number = 0.0;
    auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end == first) return false;
    (item == CONFIG_ITEM_AC_FACTOR ? config.value1 : config.value2) = number;
    return true;
  }
  const SettingsItem* entry = FindItem(item);
  if (entry == nullptr) return false;
  long number = 0;
  auto [end, error] = std::from_chars(first, last, number);
  if (error != std::errc() || end == first) return false;
  entry->set(config, number);
  return true;
}
