#include "shell/views/TabPage.h"

#include <map>

namespace {

// Filled while the program's statics are made (one thread, before main), read when a frame is
// built; made on first use, so a page's constant may come before it.
std::map<int, TabPageMaker>& Placed() {
  static std::map<int, TabPageMaker> placed;
  return placed;
}

}  // namespace

bool PlaceTabPage(int row, TabPageMaker maker) { return Placed().emplace(row, std::move(maker)).second; }

const TabPageMaker* PlacedTabPage(int row) {
  const auto found = Placed().find(row);
  return found != Placed().end() ? &found->second : nullptr;
}
