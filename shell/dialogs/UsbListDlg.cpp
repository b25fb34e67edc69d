#include "shell/dialogs/UsbListDlg.h"

#include <QListWidget>

#include "resources/TemplateBuilder.h"
#include "shell/OruApp.h"

namespace {
constexpr int kUsbListTemplate = 196;
constexpr int kReplyListId = 1179;
}  // namespace

CORUUSBList::CORUUSBList(CORUpc144App& app, QWidget* parent) : QDialog(parent) {
  ApplyTemplate(this, kUsbListTemplate);
  list = FindControlAs<QListWidget>(this, kReplyListId);
  if (list == nullptr) return;
  // The lines are copied out of the store; the worker may add more meanwhile.
  for (const std::string& line : app.dataStore.replyLines.Get()) list->addItem(QString::fromLatin1(line.c_str()));
}
