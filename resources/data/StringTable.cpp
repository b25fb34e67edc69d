#include "resources/data/StringTable.h"

#include <algorithm>
#include <unordered_map>

#include "resources/data/ResourceIndex.h"

namespace {

const std::unordered_map<int, const char*>& StringsById() {
  static const std::unordered_map<int, const char*> byId = [] {
    std::unordered_map<int, const char*> map;
    for (std::span<const StringEntry> group : IndexedStringGroups()) {
      for (const StringEntry& entry : group) map.emplace(entry.id, entry.text);
    }
    return map;
  }();
  return byId;
}

}  // namespace

const char* LoadResourceString(int id) {
  const auto& byId = StringsById();
  auto found = byId.find(id);
  return found == byId.end() ? nullptr : found->second;
}

const char* LoadResourceStringOrEmpty(int id) {
  const char* text = LoadResourceString(id);
  return text ? text : "";
}

std::vector<StringEntry> AllResourceStrings() {
  std::vector<StringEntry> all;
  for (std::span<const StringEntry> group : IndexedStringGroups()) {
    all.insert(all.end(), group.begin(), group.end());
  }
  std::stable_sort(all.begin(), all.end(),
                   [](const StringEntry& a, const StringEntry& b) { return a.id < b.id; });
  return all;
}
