#pragma once

// "ORUpc Configuration": the instrument's capture configuration, opened from the control panel,
// which embeds one instance.

#include <QDialog>

#include "shell/model/ConfigureRules.h"

struct ViewContext;
class QAbstractButton;

class CORUConfigureDlg : public QDialog {
  Q_OBJECT

 public:
  CORUConfigureDlg(ViewContext& context, QWidget* parent);
  ~CORUConfigureDlg() override;

  // Shows the dialog modally through the prompt service; the dialog's result.
  int RunModal();
  // True while the dialog is shown: the instrument's answer then reloads it.
  bool WindowExists() const;
  // Fills the controls from the settings the answer wrote.
  void ReloadFromSettings();

  // The values as the controls and the answer left them.
  const ConfigureValues& Values() const { return values_; }

 private:
  void OnInitDialog();
  void OnRadio(int id);
  void OnTriggerTextChanged(const QString& text);
  void OnNumberChanged(const QString& text);
  void OnOK();
  // Checks and enables the controls from the values; `withEdits` rewrites the two edits too.
  void FillControls(bool withEdits);

  ViewContext& context_;
  ConfigureValues values_;
  bool running_ = false;
  bool filling_ = false;  // the controls are being set from the values, not edited
};
