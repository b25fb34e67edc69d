// The splash window: only the picture, shaped by its magenta background.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog152Splash() {
  static const DialogTemplate dialog{
      .id = IDD_SPLASH,
      .kind = DialogKind::Popup,
      .caption = "",
      .rect = {0, 0, 240, 136},  // the bitmap's 360 x 221 pixels
      .controls =
          {
              {.id = IDC_SPLASH_PICTURE, .kind = ControlKind::Picture, .rect = {0, 0, 240, 136},
               .imageId = IDB_SPLASH},
          },
      .titleBar = false,
      .systemMenu = false,
  };
  return dialog;
}
