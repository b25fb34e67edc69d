// "ORUpc Configuration": every control starts disabled but OK and Cancel; the dialog enables what
// the instrument allows. "Apply" is never enabled.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

namespace {

constexpr uint32_t kOff = StyleDisabled;

}  // namespace

const DialogTemplate& Dialog142Configure() {
  static const DialogTemplate dialog{
      .id = IDD_CONFIGURE,
      .caption = "ORUpc Configuration",
      .rect = {0, 0, 251, 173},
      .controls =
          {
              {.id = IDC_STANDARD_GROUP, .kind = ControlKind::GroupBox, .text = "Modem Standard",
               .rect = {7, 7, 110, 30}, .style = kOff},
              {.id = IDC_BELL, .kind = ControlKind::RadioButton, .text = "Bell",
               .rect = {15, 20, 40, 10}, .style = kOff | StyleGroup | StyleTabStop},
              {.id = IDC_ITU, .kind = ControlKind::RadioButton, .text = "ITU",
               .rect = {62, 20, 40, 10}, .style = kOff},
              {.id = IDC_FORMAT_GROUP, .kind = ControlKind::GroupBox, .text = "Data Format",
               .rect = {7, 41, 110, 30}, .style = kOff},
              {.id = IDC_FORMAT_8N1, .kind = ControlKind::RadioButton, .text = "8N1",
               .rect = {15, 54, 40, 10}, .style = kOff | StyleGroup | StyleTabStop},
              {.id = IDC_FORMAT_7E1, .kind = ControlKind::RadioButton, .text = "7E1",
               .rect = {62, 54, 40, 10}, .style = kOff},
              {.id = IDC_CAPTURE_MODE_GROUP, .kind = ControlKind::GroupBox, .text = "Capture Mode",
               .rect = {7, 75, 110, 30}, .style = kOff},
              {.id = IDC_ASYNC, .kind = ControlKind::RadioButton, .text = "Async",
               .rect = {15, 88, 40, 10}, .style = kOff | StyleGroup | StyleTabStop},
              {.id = IDC_SYNC, .kind = ControlKind::RadioButton, .text = "Sync",
               .rect = {62, 88, 40, 10}, .style = kOff},
              {.id = IDC_LINE_TYPE_GROUP, .kind = ControlKind::GroupBox, .text = "Line Type",
               .rect = {7, 109, 110, 30}, .style = kOff},
              {.id = IDC_TWO_WIRE, .kind = ControlKind::RadioButton, .text = "2 Wire",
               .rect = {15, 122, 42, 10}, .style = kOff | StyleGroup | StyleTabStop},
              {.id = IDC_FOUR_WIRE, .kind = ControlKind::RadioButton, .text = "4 Wire",
               .rect = {62, 122, 42, 10}, .style = kOff},
              {.id = IDC_TRIGGER_GROUP, .kind = ControlKind::GroupBox, .text = "Trigger",
               .rect = {124, 7, 120, 42}, .style = kOff},
              {.id = IDC_ANSWER_TONE, .kind = ControlKind::RadioButton, .text = "Answer Tone",
               .rect = {132, 19, 100, 10}, .style = kOff | StyleGroup | StyleTabStop},
              {.id = IDC_CALL_PROGRESS, .kind = ControlKind::RadioButton, .text = "Call Progress",
               .rect = {132, 33, 100, 10}, .style = kOff},
              {.id = IDC_CALL_PROGRESS_GROUP, .kind = ControlKind::GroupBox, .text = "Call Progress Setting",
               .rect = {124, 53, 120, 86}, .style = kOff},
              {.id = IDC_DIAL_TONE, .kind = ControlKind::RadioButton, .text = "Dial tone",
               .rect = {132, 65, 100, 10}, .style = kOff | StyleGroup | StyleTabStop},
              {.id = IDC_DTMF, .kind = ControlKind::RadioButton, .text = "DTMF",
               .rect = {132, 78, 100, 10}, .style = kOff},
              {.id = IDC_RINGBACK, .kind = ControlKind::RadioButton, .text = "Ringback",
               .rect = {132, 91, 100, 10}, .style = kOff},
              {.id = kStaticControlId, .kind = ControlKind::Static, .text = "Digits:",
               .rect = {132, 107, 36, 8}, .style = kOff | StyleGroup},
              {.id = IDC_TRIGGER_DIGITS, .kind = ControlKind::Edit, .rect = {170, 105, 68, 12},
               .style = kOff | StyleBorder | StyleTabStop, .limit = 15},
              {.id = kStaticControlId, .kind = ControlKind::Static, .text = "Number:",
               .rect = {132, 123, 36, 8}, .style = kOff},
              {.id = IDC_TRIGGER_NUMBER, .kind = ControlKind::Edit, .rect = {170, 121, 24, 12},
               .style = kOff | StyleBorder | StyleTabStop, .limit = 2},
              {.id = kOkControlId, .kind = ControlKind::PushButton, .text = "OK",
               .rect = {84, 152, 50, 14}, .style = StyleDefault | StyleGroup | StyleTabStop},
              {.id = kCancelControlId, .kind = ControlKind::PushButton, .text = "Cancel",
               .rect = {139, 152, 50, 14}, .style = StyleTabStop},
              {.id = IDC_APPLY, .kind = ControlKind::PushButton, .text = "Apply",
               .rect = {194, 152, 50, 14}, .style = kOff | StyleTabStop},
          },
  };
  return dialog;
}
