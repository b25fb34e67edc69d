// The main window's tool bar: New, Open, Save | Print | About.
#include "resources/data/ToolbarResource.h"

const ToolbarResource& Toolbar128() {
  static const ToolbarResource toolbar{
      128, 16, 15, {57600, 57601, 57603, kToolbarSeparator, 57607, kToolbarSeparator, 57664}};
  return toolbar;
}
