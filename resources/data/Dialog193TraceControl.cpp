// The trace control form above the read-out panel of the SIGNAL TRACE tab.
#include "resources/data/DialogTemplate.h"

const DialogTemplate& Dialog193TraceControl() {
  static const DialogTemplate dialog{
      .id = 193,
      .kind = DialogKind::ChildForm,
      .rect = {0, 0, 160, 153},
      .controls =
          {
              {.id = 1045, .kind = ControlKind::RadioButton, .text = "Line 1",
               .rect = {7, 7, 40, 10}, .style = StyleGroup | StyleTabStop},
              {.id = 1046, .kind = ControlKind::RadioButton, .text = "Line 2",
               .rect = {52, 7, 40, 10}},
              {.id = 1187, .kind = ControlKind::Static, .text = "Trigger type:",
               .rect = {7, 26, 56, 8}, .style = StyleGroup},
              {.id = 1166, .kind = ControlKind::ComboBox, .rect = {66, 24, 86, 60},
               .style = StyleVScroll | StyleTabStop,
               .items = {"Dialtone", "DTMF", "Ringback", "Voltage"}},
              {.id = 1182, .kind = ControlKind::Static, .text = "DTMF trigger #:",
               .rect = {7, 44, 56, 8}},
              {.id = 1167, .kind = ControlKind::Edit, .rect = {66, 42, 86, 12},
               .style = StyleBorder | StyleTabStop, .limit = 11},
              {.id = 1183, .kind = ControlKind::Static, .text = "Ringback Qty:",
               .rect = {7, 60, 56, 8}},
              {.id = 1168, .kind = ControlKind::Edit, .rect = {66, 58, 30, 12},
               .style = StyleBorder | StyleTabStop | StyleNumber, .limit = 2},
              {.id = 1184, .kind = ControlKind::Static, .text = "Voltage:", .rect = {7, 76, 56, 8}},
              {.id = 1169, .kind = ControlKind::Edit, .rect = {66, 74, 30, 12},
               .style = StyleBorder | StyleTabStop, .limit = 3},
              {.id = 1185, .kind = ControlKind::Static, .text = "Scale:", .rect = {7, 94, 56, 8}},
              {.id = 1164, .kind = ControlKind::ComboBox, .rect = {66, 92, 86, 60},
               .style = StyleVScroll | StyleTabStop,
               .items = {"60 V DC", "30 V DC", "1.5 V AC p-p", "0.7 V AC p-p"}},
              {.id = 1186, .kind = ControlKind::Static, .text = "Span:", .rect = {7, 112, 56, 8}},
              {.id = 1165, .kind = ControlKind::ComboBox, .rect = {66, 110, 86, 70},
               .style = StyleVScroll | StyleTabStop,
               .items = {"5 seconds", "10 seconds", "15 seconds", "20 seconds", "60 seconds"}},
              {.id = 1170, .kind = ControlKind::PushButton, .text = "Capture Trace",
               .rect = {7, 132, 68, 14}, .style = StyleGroup | StyleTabStop},
              {.id = 1058, .kind = ControlKind::PushButton, .text = "Recall Trace",
               .rect = {84, 132, 68, 14}, .style = StyleTabStop},
          },
  };
  return dialog;
}
