#include "shell/model/StandardCombo.h"

#include <array>
#include <cctype>

namespace {

struct StandardEntry {
  const char* text;
  int code;
};

constexpr std::array<StandardEntry, 5> kStandards{{
    {"B300", kStandardB300},
    {"1200/2400", kStandard1200},
    {"9600", kStandard9600},
    {"14400", kStandard14400},
    {"V.21", kStandardV21},
}};

bool BeginsWithNoCase(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto a = static_cast<unsigned char>(text[i]);
    const auto b = static_cast<unsigned char>(prefix[i]);
    if (std::tolower(a) != std::tolower(b)) return false;
  }
  return true;
}

}  // namespace

std::string ComboItems::SelectedText() const {
  if (selected < 0 || selected >= Count()) return {};
  return items[static_cast<std::size_t>(selected)];
}

int ComboItems::FindPrefix(const std::string& prefix) const {
  for (int i = 0; i < Count(); ++i)
    if (BeginsWithNoCase(items[static_cast<std::size_t>(i)], prefix)) return i;
  return -1;
}

int ComboItems::Insert(int index, const std::string& text) {
  if (index < 0 || index > Count()) index = Count();
  items.insert(items.begin() + index, text);
  if (selected >= index) ++selected;
  return index;
}

bool ComboItems::Delete(int index) {
  if (index < 0 || index >= Count()) return false;
  items.erase(items.begin() + index);
  if (selected == index)
    selected = -1;
  else if (selected > index)
    --selected;
  return true;
}

void ComboItems::Select(int index) { selected = index >= 0 && index < Count() ? index : -1; }

std::string StandardText(int code) {
  for (const StandardEntry& entry : kStandards)
    if (entry.code == code) return entry.text;
  return {};
}

int StandardCodeOfText(const std::string& text) {
  for (const StandardEntry& entry : kStandards)
    if (text == entry.text) return entry.code;
  return kStandardNone;
}

int GetStandard(const ComboItems& combo) { return StandardCodeOfText(combo.SelectedText()); }

void SetStandard(ComboItems& combo, int code) {
  const std::string text = StandardText(code);
  combo.Select(text.empty() ? -1 : combo.FindPrefix(text));
}

void AddHighSpeed(ComboItems& combo) {
  for (const char* text : {"9600", "14400"})
    if (combo.FindPrefix(text) < 0) combo.Insert(-1, text);
}

void AddV21(ComboItems& combo) { combo.Insert(0, "V.21"); }

void RemoveV21(ComboItems& combo) { combo.Delete(combo.FindPrefix("V.21")); }
