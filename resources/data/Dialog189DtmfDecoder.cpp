// The DTMF DECODER tab: the decoded digits in a large read-only field.
#include "resources/data/DialogTemplate.h"

const DialogTemplate& Dialog189DtmfDecoder() {
  static const DialogTemplate dialog{
      .id = 189,
      .kind = DialogKind::ChildForm,
      .rect = {0, 0, 400, 150},
      .controls =
          {
              {.id = 1045, .kind = ControlKind::RadioButton, .text = "Line 1",
               .rect = {110, 8, 40, 10}, .style = StyleGroup | StyleTabStop},
              {.id = 1046, .kind = ControlKind::RadioButton, .text = "Line 2",
               .rect = {154, 8, 40, 10}},
              {.id = 1158, .kind = ControlKind::PushButton, .text = "Clear DTMF data",
               .rect = {7, 6, 70, 14}, .style = StyleGroup | StyleTabStop},
              {.id = 1134, .kind = ControlKind::GroupBox, .text = "DTMF Decoder",
               .rect = {3, 28, 394, 118}},
              {.id = 1034, .kind = ControlKind::Edit, .rect = {10, 40, 380, 100},
               .style = StyleMultiline | StyleReadOnly | StyleBorder},
          },
  };
  return dialog;
}
