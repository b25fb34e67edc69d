// The worker's hidden status window; nothing shows it.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog162CaptureStatus() {
  static const DialogTemplate dialog{
      .id = IDD_CAPTURE_STATUS,
      .caption = "Capture Status",
      .rect = {0, 0, 186, 50},
      .controls =
          {
              {.id = IDC_CAPTURE_STATUS_TEXT, .kind = ControlKind::Static, .text = "Status text goes here",
               .rect = {7, 9, 172, 8}, .style = StyleCenter},
              {.id = kOkControlId, .kind = ControlKind::PushButton, .text = "Stop capture",
               .rect = {63, 29, 60, 14}, .style = StyleDefault | StyleTabStop},
          },
  };
  return dialog;
}
