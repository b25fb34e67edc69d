#pragma once

// Menus as plain data. A menu resource is a list of top-level popups; each item is a command, a
// separator, a popup with items of its own, or the place where the recent-file list goes. A menu
// text may carry its accelerator after a tab ("&New\tCtrl+N"). Each menu lives in its own file
// named Menu<id>.cpp defining `const MenuResource& Menu<id>()`.

#include <vector>

#include "resources/data/ResourceIds.h"

enum class MenuItemKind {
  Command,
  Separator,
  Popup,
  RecentFiles,  // placeholder for the recent-file list: commands ID_FILE_MRU_FILE1 ..
                //   + kRecentFileCount - 1 ("Recent File", greyed while the list is empty)
};

struct MenuItem {
  MenuItemKind kind = MenuItemKind::Command;
  int id = 0;           // command id (0 for separators and popups)
  const char* text = "";
  std::vector<MenuItem> items{};  // a popup's items
  bool checked = false;    // initial state; update rules change it
  bool greyed = false;
  bool checkable = false;  // shows a check mark when its update rule says so
};

struct MenuResource {
  int id = 0;
  std::vector<MenuItem> popups{};  // the menu bar's entries, each a Popup
};

// The menu with `id`, or nullptr.
const MenuResource* FindMenuResource(int id);

// Every command id of a menu, depth first, in menu order (separators and popups left out).
std::vector<int> MenuCommandIds(const MenuResource& menu);

// The item of `commandId` anywhere in `menu` (the recent-file place for each of its commands),
// or nullptr.
const MenuItem* FindMenuItem(const MenuResource& menu, int commandId);

constexpr int kRecentFileCount = 4;
