#include "shell/dialogs/UsbListDlg.h"

#include <QListWidget>

#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/views/ViewContext.h"

CORUUSBList::CORUUSBList(ViewContext& context, QWidget* parent) : QDialog(parent) {
  ApplyTemplate(this, IDD_USB_LIST);
  list = FindControlAs<QListWidget>(this, IDC_USB_REPLIES);
  if (list == nullptr) return;
  // The lines are copied out of the store; the worker may add more meanwhile.
  for (const std::string& line : context.store.replyLines.Get()) list->addItem(QString::fromLatin1(line.c_str()));
}
