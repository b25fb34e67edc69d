// The find dialog of the control panel: a search text, its kind, Find (greyed until there is a
// text) and Close.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog171Find() {
  static const DialogTemplate dialog{
      .id = IDD_FIND,
      .caption = "Dialog",
      .rect = {0, 0, 214, 48},
      .controls =
          {
              {.id = kStaticControlId, .kind = ControlKind::Static, .text = "Find what:",
               .rect = {7, 9, 40, 8}},
              {.id = IDC_FIND_TEXT, .kind = ControlKind::Edit, .rect = {50, 7, 100, 12},
               .style = StyleBorder | StyleTabStop, .limit = 20},
              {.id = kStaticControlId, .kind = ControlKind::Static, .text = "Search for:",
               .rect = {7, 27, 40, 8}},
              {.id = IDC_FIND_KIND, .kind = ControlKind::ComboBox, .rect = {50, 25, 100, 60},
               .style = StyleSorted | StyleVScroll | StyleTabStop,
               .items = {"ASCII text", "asdf", "asdf"}},
              {.id = IDC_FIND_NEXT, .kind = ControlKind::PushButton, .text = "Find",
               .rect = {157, 7, 50, 14}, .style = StyleDefault | StyleDisabled | StyleTabStop},
              {.id = kCancelControlId, .kind = ControlKind::PushButton, .text = "Close",
               .rect = {157, 25, 50, 14}, .style = StyleTabStop},
          },
  };
  return dialog;
}
