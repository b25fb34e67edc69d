#include "shell/dialogs/DialDlg.h"

#include "resources/TemplateBuilder.h"

namespace {
constexpr int kDialTemplate = 144;
}

CORUDialDlg::CORUDialDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("CORUDialDlg");
  ApplyTemplate(this, kDialTemplate);
}
