// The VOLT METER tab: line choice, AC unit, and the two meter surfaces the form paints. The three
// result statics are 12 units (20 pixels) high for the form's 18-pixel bold label font.
#include "resources/data/DialogTemplate.h"

const DialogTemplate& Dialog173LineTest() {
  static const DialogTemplate dialog{
      .id = 173,
      .kind = DialogKind::ChildForm,
      .rect = {0, 0, 400, 150},
      .controls =
          {
              {.id = 1045, .kind = ControlKind::RadioButton, .text = "Line 1",
               .rect = {7, 6, 40, 10}, .style = StyleGroup | StyleTabStop},
              {.id = 1046, .kind = ControlKind::RadioButton, .text = "Line 2",
               .rect = {50, 6, 40, 10}},
              {.id = 1047, .kind = ControlKind::RadioButton, .text = "Line 3",
               .rect = {100, 6, 40, 10}},
              {.id = 1133, .kind = ControlKind::GroupBox, .text = "Line Test",
               .rect = {3, 22, 394, 123}, .style = StyleGroup},
              {.id = 1128, .kind = ControlKind::Static, .text = "LINE STATUS",
               .rect = {10, 32, 200, 12}},
              {.id = 1125, .kind = ControlKind::Static, .text = "DC VALUE",
               .rect = {10, 45, 120, 12}},
              {.id = 1124, .kind = ControlKind::Custom, .rect = {7, 58, 386, 28}},
              {.id = 1127, .kind = ControlKind::Static, .text = "AC VALUE",
               .rect = {10, 88, 120, 12}},
              {.id = 1131, .kind = ControlKind::RadioButton, .text = "Vp-p",
               .rect = {140, 89, 40, 10}, .style = StyleGroup | StyleTabStop},
              {.id = 1132, .kind = ControlKind::RadioButton, .text = "dBm",
               .rect = {184, 89, 40, 10}},
              {.id = 1126, .kind = ControlKind::Custom, .rect = {7, 102, 386, 28}},
          },
  };
  return dialog;
}
