// The control panel of the CAPTURE DATA tab (a child form). Positions follow the ones the panel
// moves its controls to when it is sized, so nothing jumps.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog130ControlPanel() {
  // 146 units are 219 pixels: the form fits the 220-pixel column it stands in. The buttons the
  // panel does not move share one right-hand column and the bottom row with Capture.
  static const DialogTemplate dialog{
      .id = IDD_CONTROL_PANEL,
      .kind = DialogKind::ChildForm,
      .rect = {0, 0, 146, 137},
      .controls =
          {
              {.id = IDC_STANDARD, .kind = ControlKind::ComboBox, .rect = {7, 7, 60, 70},
               .style = StyleVScroll | StyleTabStop | StyleGroup,
               .items = {"B300", "1200/2400", "9600", "14400"}},
              {.id = IDC_FORMAT, .kind = ControlKind::ComboBox, .rect = {7, 24, 60, 50},
               .style = StyleVScroll | StyleTabStop, .items = {"8N1", "7E1"}},
              {.id = IDC_MODE, .kind = ControlKind::ComboBox, .rect = {7, 41, 60, 50},
               .style = StyleVScroll | StyleTabStop, .items = {"ASYNC", "SYNC"}},
              {.id = IDC_SESSION, .kind = ControlKind::ComboBox, .rect = {7, 58, 60, 50},
               .style = StyleVScroll | StyleTabStop, .items = {"Single", "Multiple"}},
              {.id = IDC_ASCII, .kind = ControlKind::RadioButton, .text = "ASCII",
               .rect = {86, 7, 40, 10}, .style = StyleGroup | StyleTabStop},
              {.id = IDC_HEX, .kind = ControlKind::RadioButton, .text = "HEX",
               .rect = {86, 24, 40, 10}},
              {.id = IDC_BIT_STUFFED, .kind = ControlKind::CheckBox, .text = "Bit-stuffed",
               .rect = {70, 42, 60, 10}, .style = StyleAutoCheck | StyleGroup | StyleTabStop},
              {.id = IDC_SHOW_MODEM_EVENTS, .kind = ControlKind::CheckBox, .text = "Show Modem Events",
               .rect = {7, 75, 84, 10}, .style = StyleAutoCheck | StyleTabStop},
              {.id = IDC_HIGHLIGHT_PARITY_ERRORS, .kind = ControlKind::CheckBox, .text = "Highlight parity errors",
               .rect = {7, 90, 84, 10}, .style = StyleAutoCheck | StyleTabStop},
              {.id = IDC_HIGHLIGHT_PARITY_BIT, .kind = ControlKind::CheckBox,
               .text = "Highlight bytes with parity bit set", .rect = {7, 102, 118, 10},
               .style = StyleAutoCheck | StyleTabStop},
              {.id = IDC_CONFIGURE, .kind = ControlKind::PushButton, .text = "Configure",
               .rect = {91, 54, 55, 14}, .style = StyleTabStop},
              {.id = IDC_RECALL_SESSION, .kind = ControlKind::PushButton, .text = "Recall Session",
               .rect = {91, 70, 55, 14}, .style = StyleTabStop},
              {.id = IDC_SIGNAL_TRACE, .kind = ControlKind::PushButton, .text = "Signal Trace",
               .rect = {91, 86, 55, 14}, .style = StyleTabStop},
              {.id = IDC_CAPTURE, .kind = ControlKind::PushButton, .text = "Capture",
               .rect = {7, 119, 46, 14}, .style = StyleTabStop},
              {.id = IDC_LINE_TEST, .kind = ControlKind::PushButton, .text = "Line Test",
               .rect = {55, 119, 34, 14}, .style = StyleTabStop},
              {.id = IDC_DTMF_DECODER, .kind = ControlKind::PushButton, .text = "DTMF Decoder",
               .rect = {91, 119, 55, 14}, .style = StyleTabStop},
          },
  };
  return dialog;
}
