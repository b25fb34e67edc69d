// The instrument clock: a date picker and a time picker.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog164ClockEntry() {
  static const DialogTemplate dialog{
      .id = IDD_CLOCK_ENTRY,
      .caption = "Set ORUpc date and time",
      .rect = {0, 0, 186, 56},
      .controls =
          {
              {.id = kStaticControlId, .kind = ControlKind::Static, .text = "Date:",
               .rect = {7, 10, 24, 8}},
              {.id = IDC_DATE, .kind = ControlKind::DatePicker, .rect = {34, 7, 80, 14},
               .style = StyleTabStop},
              {.id = kStaticControlId, .kind = ControlKind::Static, .text = "Time:",
               .rect = {7, 31, 24, 8}},
              {.id = IDC_TIME, .kind = ControlKind::TimePicker, .rect = {34, 28, 80, 14},
               .style = StyleTabStop},
              {.id = kOkControlId, .kind = ControlKind::PushButton, .text = "OK",
               .rect = {129, 7, 50, 14}, .style = StyleDefault | StyleTabStop},
              {.id = kCancelControlId, .kind = ControlKind::PushButton, .text = "Cancel",
               .rect = {129, 24, 50, 14}, .style = StyleTabStop},
          },
  };
  return dialog;
}
