#pragma once

// CORUDialDlg (template IDD_DIAL: OK, Cancel and a hot-key field): carried by the program, opened by
// nothing, dialling nothing.

#include <QDialog>

class CORUDialDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CORUDialDlg(QWidget* parent = nullptr);
};
