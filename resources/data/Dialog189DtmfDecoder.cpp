// The DTMF DECODER tab: the decoded digits in a large read-only field.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog189DtmfDecoder() {
  static const DialogTemplate dialog{
      .id = IDD_DTMF_DECODER,
      .kind = DialogKind::ChildForm,
      .rect = {0, 0, 400, 150},
      .controls =
          {
              {.id = IDC_LINE1, .kind = ControlKind::RadioButton, .text = "Line 1",
               .rect = {110, 8, 40, 10}, .style = StyleGroup | StyleTabStop},
              {.id = IDC_LINE2, .kind = ControlKind::RadioButton, .text = "Line 2",
               .rect = {154, 8, 40, 10}},
              {.id = IDC_CLEAR_DTMF, .kind = ControlKind::PushButton, .text = "Clear DTMF data",
               .rect = {7, 6, 70, 14}, .style = StyleGroup | StyleTabStop},
              {.id = IDC_DTMF_GROUP, .kind = ControlKind::GroupBox, .text = "DTMF Decoder",
               .rect = {3, 28, 394, 118}},
              {.id = IDC_DTMF_DIGITS, .kind = ControlKind::Edit, .rect = {10, 40, 380, 100},
               .style = StyleMultiline | StyleReadOnly | StyleBorder},
          },
  };
  return dialog;
}
