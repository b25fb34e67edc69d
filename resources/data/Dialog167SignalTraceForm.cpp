// The signal-trace view's form: volt axis, scope area and time axis, which the view paints, the
// "Snap to trace" box, and four buttons that stay hidden and disabled.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

namespace {

constexpr uint32_t kUnused = StyleHidden | StyleDisabled;

}  // namespace

const DialogTemplate& Dialog167SignalTraceForm() {
  static const DialogTemplate dialog{
      .id = IDD_SIGNAL_TRACE_FORM,
      .kind = DialogKind::ChildForm,
      .rect = {0, 0, 391, 274},
      .controls =
          {
              {.id = IDC_VOLT_AXIS, .kind = ControlKind::Custom, .rect = {0, 0, 38, 223}},
              {.id = IDC_SCOPE, .kind = ControlKind::Custom, .rect = {38, 0, 353, 223}},
              {.id = IDC_TIME_AXIS, .kind = ControlKind::Custom, .rect = {38, 223, 353, 26}},
              {.id = IDC_SNAP_TO_TRACE, .kind = ControlKind::CheckBox, .text = "Snap to trace",
               .rect = {7, 256, 70, 10}, .style = StyleAutoCheck | StyleTabStop},
              {.id = IDC_LINE1, .kind = ControlKind::RadioButton, .text = "Line 1",
               .rect = {100, 256, 40, 10}, .style = kUnused | StyleGroup},
              {.id = IDC_LINE2, .kind = ControlKind::RadioButton, .text = "Line 2",
               .rect = {144, 256, 40, 10}, .style = kUnused},
              {.id = IDC_ISO_TRACE, .kind = ControlKind::PushButton, .text = "ISO Trace",
               .rect = {200, 254, 56, 14}, .style = kUnused | StyleGroup},
              {.id = IDC_FORM_RECALL_TRACE, .kind = ControlKind::PushButton, .text = "Recall Trace",
               .rect = {262, 254, 60, 14}, .style = kUnused},
          },
  };
  return dialog;
}
