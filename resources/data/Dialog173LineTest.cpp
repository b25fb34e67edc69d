// The VOLT METER tab: line choice, AC unit, and the two meter surfaces the form paints. The three
// result statics are 12 units (20 pixels) high for the form's 18-pixel bold label font.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog173LineTest() {
  static const DialogTemplate dialog{
      .id = IDD_LINE_TEST,
      .kind = DialogKind::ChildForm,
      .rect = {0, 0, 400, 150},
      .controls =
          {
              {.id = IDC_LINE1, .kind = ControlKind::RadioButton, .text = "Line 1",
               .rect = {7, 6, 40, 10}, .style = StyleGroup | StyleTabStop},
              {.id = IDC_LINE2, .kind = ControlKind::RadioButton, .text = "Line 2",
               .rect = {50, 6, 40, 10}},
              {.id = IDC_LINE3, .kind = ControlKind::RadioButton, .text = "Line 3",
               .rect = {100, 6, 40, 10}},
              {.id = IDC_LINE_TEST_GROUP, .kind = ControlKind::GroupBox, .text = "Line Test",
               .rect = {3, 22, 394, 123}, .style = StyleGroup},
              {.id = IDC_LINE_STATUS, .kind = ControlKind::Static, .text = "LINE STATUS",
               .rect = {10, 32, 200, 12}},
              {.id = IDC_DC_VALUE, .kind = ControlKind::Static, .text = "DC VALUE",
               .rect = {10, 45, 120, 12}},
              {.id = IDC_DC_BAR, .kind = ControlKind::Custom, .rect = {7, 58, 386, 28}},
              {.id = IDC_AC_VALUE, .kind = ControlKind::Static, .text = "AC VALUE",
               .rect = {10, 88, 120, 12}},
              {.id = IDC_VPP, .kind = ControlKind::RadioButton, .text = "Vp-p",
               .rect = {140, 89, 40, 10}, .style = StyleGroup | StyleTabStop},
              {.id = IDC_DBM, .kind = ControlKind::RadioButton, .text = "dBm",
               .rect = {184, 89, 40, 10}},
              {.id = IDC_AC_BAR, .kind = ControlKind::Custom, .rect = {7, 102, 386, 28}},
          },
  };
  return dialog;
}
