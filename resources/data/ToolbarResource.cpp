#include "resources/data/ToolbarResource.h"

#include "resources/data/ResourceIndex.h"

const ToolbarResource* FindToolbarResource(int id) {
  for (const ToolbarResource* toolbar : IndexedToolbars()) {
    if (toolbar->id == id) return toolbar;
  }
  return nullptr;
}
