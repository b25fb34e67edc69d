#include "shell/views/ViewFactory.h"

#include "shell/views/PlaceholderViews.h"

IShellView* ViewFactory::CreatePlaceholder(ViewSlot slot, ViewContext& context, QWidget* parent) {
  return CreatePlaceholderView(slot, context, parent);
}
