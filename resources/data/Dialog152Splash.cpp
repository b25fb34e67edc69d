// The splash window: only the picture, shaped by its magenta background.
#include "resources/data/DialogTemplate.h"

const DialogTemplate& Dialog152Splash() {
  static const DialogTemplate dialog{
      .id = 152,
      .kind = DialogKind::Popup,
      .caption = "",
      .rect = {0, 0, 240, 136},  // the bitmap's 360 x 221 pixels
      .controls =
          {
              {.id = 1085, .kind = ControlKind::Picture, .rect = {0, 0, 240, 136},
               .imageId = 151},
          },
      .titleBar = false,
      .systemMenu = false,
  };
  return dialog;
}
