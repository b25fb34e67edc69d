// The trace control form above the read-out panel of the SIGNAL TRACE tab. The form moves its
// combos, edits, labels and Capture Trace to fixed pixels when it is sized; these positions are
// the same ones in dialog units, so nothing jumps, and the controls it leaves in place (Recall
// Trace beside Capture Trace, the line radios below them) fit around them. 143 units are 215
// pixels, the column the form stands in.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog193TraceControl() {
  static const DialogTemplate dialog{
      .id = IDD_TRACE_CONTROL,
      .kind = DialogKind::ChildForm,
      .rect = {0, 0, 143, 153},
      .controls =
          {
              {.id = IDC_SCALE_LABEL, .kind = ControlKind::Static, .text = "Scale:", .rect = {7, 13, 52, 8},
               .style = StyleGroup},
              {.id = IDC_SCALE, .kind = ControlKind::ComboBox, .rect = {61, 9, 80, 60},
               .style = StyleVScroll | StyleTabStop,
               .items = {"60 V DC", "30 V DC", "1.5 V AC p-p", "0.7 V AC p-p"}},
              {.id = IDC_SPAN_LABEL, .kind = ControlKind::Static, .text = "Span:", .rect = {7, 30, 52, 8}},
              {.id = IDC_SPAN, .kind = ControlKind::ComboBox, .rect = {61, 28, 80, 70},
               .style = StyleVScroll | StyleTabStop,
               .items = {"5 seconds", "10 seconds", "15 seconds", "20 seconds", "60 seconds"}},
              {.id = IDC_TRIGGER_TYPE_LABEL, .kind = ControlKind::Static, .text = "Trigger type:",
               .rect = {7, 48, 52, 8}},
              {.id = IDC_TRIGGER_TYPE, .kind = ControlKind::ComboBox, .rect = {61, 46, 80, 60},
               .style = StyleVScroll | StyleTabStop,
               .items = {"Dialtone", "DTMF", "Ringback", "Voltage"}},
              {.id = IDC_TRIGGER_DTMF_LABEL, .kind = ControlKind::Static, .text = "DTMF trigger #:",
               .rect = {7, 67, 52, 8}},
              {.id = IDC_TRIGGER_DTMF, .kind = ControlKind::Edit, .rect = {61, 64, 80, 12},
               .style = StyleBorder | StyleTabStop, .limit = 11},
              {.id = IDC_TRIGGER_RINGBACK_LABEL, .kind = ControlKind::Static, .text = "Ringback Qty:",
               .rect = {7, 86, 52, 8}},
              {.id = IDC_TRIGGER_RINGBACK, .kind = ControlKind::Edit, .rect = {61, 83, 30, 12},
               .style = StyleBorder | StyleTabStop | StyleNumber, .limit = 2},
              {.id = IDC_TRIGGER_VOLTAGE_LABEL, .kind = ControlKind::Static, .text = "Voltage:", .rect = {7, 106, 52, 8}},
              {.id = IDC_TRIGGER_VOLTAGE, .kind = ControlKind::Edit, .rect = {61, 103, 36, 12},
               .style = StyleBorder | StyleTabStop, .limit = 3},
              {.id = IDC_CAPTURE_TRACE, .kind = ControlKind::PushButton, .text = "Capture Trace",
               .rect = {7, 127, 53, 14}, .style = StyleGroup | StyleTabStop},
              {.id = IDC_RECALL_TRACE, .kind = ControlKind::PushButton, .text = "Recall Trace",
               .rect = {61, 127, 53, 14}, .style = StyleTabStop},
              {.id = IDC_LINE1, .kind = ControlKind::RadioButton, .text = "Line 1",
               .rect = {7, 143, 40, 10}, .style = StyleGroup | StyleTabStop},
              {.id = IDC_LINE2, .kind = ControlKind::RadioButton, .text = "Line 2",
               .rect = {61, 143, 40, 10}},
          },
  };
  return dialog;
}
