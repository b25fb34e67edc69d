// The About box: program version, instrument version and the maker's link.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog100About() {
  static const DialogTemplate dialog{
      .id = IDD_ABOUTBOX,
      .caption = "About Quorlan View",
      .rect = {0, 0, 240, 76},
      .controls =
          {
              {.id = kStaticControlId, .kind = ControlKind::Picture, .rect = {10, 10, 21, 20},
               .imageId = IDI_PROGRAM},
              {.id = IDC_PROGRAM_VERSION, .kind = ControlKind::Static, .text = "", .rect = {40, 10, 130, 8},
               .style = StyleNoPrefix},
              {.id = kStaticControlId, .kind = ControlKind::Static, .text = "ORUpc version:",
               .rect = {40, 24, 56, 8}},
              {.id = IDC_DEVICE_VERSION, .kind = ControlKind::Static, .text = "", .rect = {98, 24, 76, 8},
               .style = StyleNoPrefix},
              {.id = kStaticControlId, .kind = ControlKind::Static,
               .text = "Copyright (C) Pelgrave, Inc.", .rect = {40, 38, 130, 8}},
              {.id = IDC_WEB_LINK, .kind = ControlKind::Static, .text = "Pelgrave, Inc. on the web",
               .rect = {40, 54, 100, 8}, .style = StyleNotify},
              {.id = kOkControlId, .kind = ControlKind::PushButton, .text = "OK",
               .rect = {183, 7, 50, 14}, .style = StyleDefault | StyleGroup | StyleTabStop},
          },
  };
  return dialog;
}
