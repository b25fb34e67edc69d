// The reply lines the worker kept, one per row.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog196UsbList() {
  static const DialogTemplate dialog{
      .id = IDD_USB_LIST,
      .caption = "USB Rcv",
      .rect = {0, 0, 220, 170},
      .controls =
          {
              {.id = IDC_USB_REPLIES, .kind = ControlKind::ListBox, .rect = {7, 7, 206, 136},
               .style = StyleBorder | StyleVScroll | StyleTabStop},
              {.id = kOkControlId, .kind = ControlKind::PushButton, .text = "Close",
               .rect = {85, 150, 50, 14}, .style = StyleDefault | StyleTabStop},
          },
  };
  return dialog;
}
