#pragma once

// "USB Rcv" (template IDD_USB_LIST): the reply lines the worker kept, one per row.

#include <QDialog>

struct ViewContext;
class QListWidget;

class CORUUSBList : public QDialog {
  Q_OBJECT
 public:
  explicit CORUUSBList(ViewContext& context, QWidget* parent = nullptr);
  QListWidget* List() const { return list; }

 private:
  QListWidget* list = nullptr;
};
