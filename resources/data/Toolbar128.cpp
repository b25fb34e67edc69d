// The main window's tool bar: New, Open, Save | Print | About.
#include "resources/data/ToolbarResource.h"
#include "resources/data/ResourceIds.h"

const ToolbarResource& Toolbar128() {
  static const ToolbarResource toolbar{
      IDR_MAINFRAME, 16, 15, {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, kToolbarSeparator, ID_FILE_PRINT, kToolbarSeparator, ID_APP_ABOUT}};
  return toolbar;
}
