#include "shell/ViewFactory.h"

#include "shell/PlaceholderViews.h"

IShellView* ViewFactory::CreatePlaceholder(ViewSlot slot, CORUpc144App& app, QWidget* parent) {
  return CreatePlaceholderView(slot, app, parent);
}
