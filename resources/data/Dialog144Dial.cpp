// A dialog nothing opens: OK, Cancel and a hot-key field.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog144Dial() {
  static const DialogTemplate dialog{
      .id = IDD_DIAL,
      .caption = "Dialog",
      .rect = {0, 0, 186, 52},
      .controls =
          {
              {.id = kOkControlId, .kind = ControlKind::PushButton, .text = "OK",
               .rect = {129, 7, 50, 14}, .style = StyleDefault | StyleTabStop},
              {.id = kCancelControlId, .kind = ControlKind::PushButton, .text = "Cancel",
               .rect = {129, 24, 50, 14}, .style = StyleTabStop},
              {.id = IDC_HOTKEY, .kind = ControlKind::HotKey, .text = "HotKey1",
               .rect = {7, 7, 100, 14}, .style = StyleBorder | StyleTabStop},
          },
  };
  return dialog;
}
