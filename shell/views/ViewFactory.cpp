#include "shell/views/ViewFactory.h"

#include "shell/views/PlaceholderViews.h"

IShellView* ViewFactory::CreatePlaceholder(ViewSlot slot, CORUpc144App& app, QWidget* parent) {
  return CreatePlaceholderView(slot, app, parent);
}
