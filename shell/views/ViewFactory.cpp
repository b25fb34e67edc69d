#include "shell/views/ViewFactory.h"

#include "shell/views/PlaceholderViews.h"

IShellView* ViewFactory::CreatePlaceholder(ViewSlot slot, ViewContext& context, QWidget* parent) {
  return CreatePlaceholderView(slot, context, parent);
}

ITabPage* ViewFactory::CreateTabPage(int row, ViewContext& context, QWidget* parent) const {
  const auto own = tabPages_.find(row);
  const TabPageMaker* maker = own != tabPages_.end() ? &own->second : PlacedTabPage(row);
  if (maker != nullptr && *maker) {
    if (ITabPage* page = (*maker)(context, parent)) return page;
  }
  return CreatePlaceholderTabPage(row, parent);
}
