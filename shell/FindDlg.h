#pragma once

// The find dialog of the control panel (command 32802).

#include <QDialog>

class CORUpc144App;

class CORUFindDlg : public QDialog {
  Q_OBJECT

 public:
  CORUFindDlg(CORUpc144App& app, QWidget* parent);
  ~CORUFindDlg() override;

  // Shows the dialog modally through the prompt service; the dialog's result.
  int RunModal();
};
