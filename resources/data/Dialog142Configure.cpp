// "ORUpc Configuration": every control starts disabled but OK and Cancel; the dialog enables what
// the instrument allows. "Apply" is never enabled.
#include "resources/data/DialogTemplate.h"

namespace {

constexpr uint32_t kOff = StyleDisabled;

}  // namespace

const DialogTemplate& Dialog142Configure() {
  static const DialogTemplate dialog{
      .id = 142,
      .caption = "ORUpc Configuration",
      .rect = {0, 0, 251, 173},
      .controls =
          {
              {.id = 1103, .kind = ControlKind::GroupBox, .text = "Modem Standard",
               .rect = {7, 7, 110, 30}, .style = kOff},
              {.id = 1013, .kind = ControlKind::RadioButton, .text = "Bell",
               .rect = {15, 20, 40, 10}, .style = kOff | StyleGroup | StyleTabStop},
              {.id = 1014, .kind = ControlKind::RadioButton, .text = "ITU",
               .rect = {62, 20, 40, 10}, .style = kOff},
              {.id = 1104, .kind = ControlKind::GroupBox, .text = "Data Format",
               .rect = {7, 41, 110, 30}, .style = kOff},
              {.id = 1015, .kind = ControlKind::RadioButton, .text = "8N1",
               .rect = {15, 54, 40, 10}, .style = kOff | StyleGroup | StyleTabStop},
              {.id = 1016, .kind = ControlKind::RadioButton, .text = "7E1",
               .rect = {62, 54, 40, 10}, .style = kOff},
              {.id = 1105, .kind = ControlKind::GroupBox, .text = "Capture Mode",
               .rect = {7, 75, 110, 30}, .style = kOff},
              {.id = 1008, .kind = ControlKind::RadioButton, .text = "Async",
               .rect = {15, 88, 40, 10}, .style = kOff | StyleGroup | StyleTabStop},
              {.id = 1007, .kind = ControlKind::RadioButton, .text = "Sync",
               .rect = {62, 88, 40, 10}, .style = kOff},
              {.id = 1106, .kind = ControlKind::GroupBox, .text = "Line Type",
               .rect = {7, 109, 110, 30}, .style = kOff},
              {.id = 1009, .kind = ControlKind::RadioButton, .text = "2 Wire",
               .rect = {15, 122, 42, 10}, .style = kOff | StyleGroup | StyleTabStop},
              {.id = 1010, .kind = ControlKind::RadioButton, .text = "4 Wire",
               .rect = {62, 122, 42, 10}, .style = kOff},
              {.id = 1107, .kind = ControlKind::GroupBox, .text = "Trigger",
               .rect = {124, 7, 120, 42}, .style = kOff},
              {.id = 1017, .kind = ControlKind::RadioButton, .text = "Answer Tone",
               .rect = {132, 19, 100, 10}, .style = kOff | StyleGroup | StyleTabStop},
              {.id = 1018, .kind = ControlKind::RadioButton, .text = "Call Progress",
               .rect = {132, 33, 100, 10}, .style = kOff},
              {.id = 1036, .kind = ControlKind::GroupBox, .text = "Call Progress Setting",
               .rect = {124, 53, 120, 86}, .style = kOff},
              {.id = 1031, .kind = ControlKind::RadioButton, .text = "Dial tone",
               .rect = {132, 65, 100, 10}, .style = kOff | StyleGroup | StyleTabStop},
              {.id = 1032, .kind = ControlKind::RadioButton, .text = "DTMF",
               .rect = {132, 78, 100, 10}, .style = kOff},
              {.id = 1033, .kind = ControlKind::RadioButton, .text = "Ringback",
               .rect = {132, 91, 100, 10}, .style = kOff},
              {.id = kStaticControlId, .kind = ControlKind::Static, .text = "Digits:",
               .rect = {132, 107, 36, 8}, .style = kOff | StyleGroup},
              {.id = 1034, .kind = ControlKind::Edit, .rect = {170, 105, 68, 12},
               .style = kOff | StyleBorder | StyleTabStop, .limit = 15},
              {.id = kStaticControlId, .kind = ControlKind::Static, .text = "Number:",
               .rect = {132, 123, 36, 8}, .style = kOff},
              {.id = 1035, .kind = ControlKind::Edit, .rect = {170, 121, 24, 12},
               .style = kOff | StyleBorder | StyleTabStop, .limit = 2},
              {.id = kOkControlId, .kind = ControlKind::PushButton, .text = "OK",
               .rect = {84, 152, 50, 14}, .style = StyleDefault | StyleGroup | StyleTabStop},
              {.id = kCancelControlId, .kind = ControlKind::PushButton, .text = "Cancel",
               .rect = {139, 152, 50, 14}, .style = StyleTabStop},
              {.id = 3, .kind = ControlKind::PushButton, .text = "Apply",
               .rect = {194, 152, 50, 14}, .style = kOff | StyleTabStop},
          },
  };
  return dialog;
}
