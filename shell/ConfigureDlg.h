#pragma once

// "ORUpc Configuration": the instrument's capture configuration, opened from the control panel,
// which embeds one instance.

#include <QDialog>

class CORUpc144App;

class CORUConfigureDlg : public QDialog {
  Q_OBJECT

 public:
  CORUConfigureDlg(CORUpc144App& app, QWidget* parent);
  ~CORUConfigureDlg() override;

  // Shows the dialog modally through the prompt service; the dialog's result.
  int RunModal();
  // True while the dialog is shown: the instrument's answer then reloads it.
  bool WindowExists() const;
  // Fills the controls from the settings the answer wrote.
  void ReloadFromSettings();
};
