// The instrument clock: a date picker (1089) and a time picker (1090).
#include "resources/data/DialogTemplate.h"

const DialogTemplate& Dialog164ClockEntry() {
  static const DialogTemplate dialog{
      .id = 164,
      .caption = "Set ORUpc date and time",
      .rect = {0, 0, 186, 56},
      .controls =
          {
              {.id = kStaticControlId, .kind = ControlKind::Static, .text = "Date:",
               .rect = {7, 10, 24, 8}},
              {.id = 1089, .kind = ControlKind::DatePicker, .rect = {34, 7, 80, 14},
               .style = StyleTabStop},
              {.id = kStaticControlId, .kind = ControlKind::Static, .text = "Time:",
               .rect = {7, 31, 24, 8}},
              {.id = 1090, .kind = ControlKind::TimePicker, .rect = {34, 28, 80, 14},
               .style = StyleTabStop},
              {.id = kOkControlId, .kind = ControlKind::PushButton, .text = "OK",
               .rect = {129, 7, 50, 14}, .style = StyleDefault | StyleTabStop},
              {.id = kCancelControlId, .kind = ControlKind::PushButton, .text = "Cancel",
               .rect = {129, 24, 50, 14}, .style = StyleTabStop},
          },
  };
  return dialog;
}
