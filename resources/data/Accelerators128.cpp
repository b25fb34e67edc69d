// The main window's keys. Ctrl+Shift+D opens the development dialog and Ctrl+Shift+U the list of
// received USB texts, which have no menu item.
#include "resources/data/AcceleratorResource.h"

const AcceleratorTable& Accelerators128() {
  static const AcceleratorTable table{
      128,
      {
          {'N', AccelControl, 57600},
          {'O', AccelControl, 57601},
          {'S', AccelControl, 57603},
          {'P', AccelControl, 57607},
          {'F', AccelControl, 32802},
          {'D', AccelControl | AccelShift, 32774},
          {'U', AccelControl | AccelShift, 32812},
      }};
  return table;
}
