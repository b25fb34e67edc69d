// A form no window creates; kept so the template set is complete.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

const DialogTemplate& Dialog101ParserForm() {
  static const DialogTemplate dialog{
      .id = IDD_PARSER_FORM,
      .kind = DialogKind::ChildForm,
      .rect = {0, 0, 186, 95},
      .controls =
          {
              {.id = kStaticControlId, .kind = ControlKind::Static,
               .text = "TODO: layout formview", .rect = {24, 42, 138, 8}},
          },
  };
  return dialog;
}
