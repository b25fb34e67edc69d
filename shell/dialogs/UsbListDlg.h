#pragma once

// "USB Rcv" (template IDD_USB_LIST): the reply lines the worker kept, one per row.

#include <QDialog>

class CORUpc144App;
class QListWidget;

class CORUUSBList : public QDialog {
  Q_OBJECT
 public:
  explicit CORUUSBList(CORUpc144App& app, QWidget* parent = nullptr);
  QListWidget* List() const { return list; }

 private:
  QListWidget* list = nullptr;
};
