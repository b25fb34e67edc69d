#include "shell/dialogs/DialDlg.h"

#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"

namespace {}

CORUDialDlg::CORUDialDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("CORUDialDlg");
  ApplyTemplate(this, IDD_DIAL);
}
