// Progress of a firmware download; the owner paints the percentage into field 1140.
#include "resources/data/DialogTemplate.h"

const DialogTemplate& Dialog178DownloadStatus() {
  static const DialogTemplate dialog{
      .id = 178,
      .caption = "Application download status",
      .rect = {0, 0, 186, 58},
      .controls =
          {
              {.id = 1140, .kind = ControlKind::Frame, .rect = {7, 7, 172, 16},
               .style = StyleSunken},
              {.id = kCancelControlId, .kind = ControlKind::PushButton,
               .text = "Cancel Download", .rect = {58, 35, 70, 14},
               .style = StyleDefault | StyleTabStop},
          },
      .systemMenu = false,
  };
  return dialog;
}
