// The main window's keys. Ctrl+Shift+D opens the development dialog and Ctrl+Shift+U the list of
// received USB texts, which have no menu item.
#include "resources/data/AcceleratorResource.h"
#include "resources/data/ResourceIds.h"

const AcceleratorTable& Accelerators128() {
  static const AcceleratorTable table{
      IDR_MAINFRAME,
      {
          {'N', AccelControl, ID_FILE_NEW},
          {'O', AccelControl, ID_FILE_OPEN},
          {'S', AccelControl, ID_FILE_SAVE},
          {'P', AccelControl, ID_FILE_PRINT},
          {'F', AccelControl, ID_EDIT_FIND},
          {'D', AccelControl | AccelShift, ID_DEVELOPMENT},
          {'U', AccelControl | AccelShift, ID_USB_LIST},
      }};
  return table;
}
