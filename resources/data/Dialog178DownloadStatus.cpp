// Progress of a firmware download; the owner paints the percentage into IDC_DOWNLOAD_PROGRESS.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog178DownloadStatus() {
  static const DialogTemplate dialog{
      .id = IDD_DOWNLOAD_STATUS,
      .caption = "Application download status",
      .rect = {0, 0, 186, 58},
      .controls =
          {
              {.id = IDC_DOWNLOAD_PROGRESS, .kind = ControlKind::Frame, .rect = {7, 7, 172, 16},
               .style = StyleSunken},
              {.id = kCancelControlId, .kind = ControlKind::PushButton,
               .text = "Cancel Download", .rect = {58, 35, 70, 14},
               .style = StyleDefault | StyleTabStop},
          },
      .systemMenu = false,
  };
  return dialog;
}
