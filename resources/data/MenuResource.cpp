#include "resources/data/MenuResource.h"

#include "resources/data/ResourceIds.h"
#include "resources/data/ResourceIndex.h"

namespace {

void CollectIds(const std::vector<MenuItem>& items, std::vector<int>& ids) {
  for (const MenuItem& item : items) {
    switch (item.kind) {
      case MenuItemKind::Command: ids.push_back(item.id); break;
      case MenuItemKind::RecentFiles:
        for (int i = 0; i < kRecentFileCount; ++i) ids.push_back(ID_FILE_MRU_FILE1 + i);
        break;
      case MenuItemKind::Popup: CollectIds(item.items, ids); break;
      case MenuItemKind::Separator: break;
    }
  }
}

const MenuItem* FindIn(const std::vector<MenuItem>& items, int commandId) {
  for (const MenuItem& item : items) {
    if (item.kind == MenuItemKind::Popup) {
      if (const MenuItem* found = FindIn(item.items, commandId)) return found;
    } else if (item.kind == MenuItemKind::Command && item.id == commandId) {
      return &item;
    } else if (item.kind == MenuItemKind::RecentFiles && commandId >= ID_FILE_MRU_FILE1 &&
               commandId < ID_FILE_MRU_FILE1 + kRecentFileCount) {
      return &item;
    }
  }
  return nullptr;
}

}  // namespace

const MenuResource* FindMenuResource(int id) {
  for (const MenuResource* menu : IndexedMenus()) {
    if (menu->id == id) return menu;
  }
  return nullptr;
}

std::vector<int> MenuCommandIds(const MenuResource& menu) {
  std::vector<int> ids;
  CollectIds(menu.popups, ids);
  return ids;
}

const MenuItem* FindMenuItem(const MenuResource& menu, int commandId) {
  return FindIn(menu.popups, commandId);
}
