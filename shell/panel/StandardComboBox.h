#pragma once

// The control panel's modem-standard combo box: its items map to the standard codes, and the
// high-speed standards and "V.21" come and go at run time. The list rules are ComboItems' (the
// class library's selection and prefix-match meaning); this class applies them to the widget.

#include <QComboBox>

#include "shell/model/StandardCombo.h"

class CORUStandardComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit CORUStandardComboBox(QWidget* parent = nullptr);

  int GetStandard() const;
  void SetStandard(int code);
  void AddHighSpeed();
  void AddV21();
  void RemoveV21();

  // The widget's items and selection, and setting both (without selection signals).
  ComboItems Items() const;
  void SetItems(const ComboItems& items);
};

// Shows `items` in any combo box: the list is rebuilt only when it differs, then the selection
// is set (-1 = none); no selection signal is emitted.
void ShowComboItems(QComboBox& combo, const ComboItems& items);
ComboItems ComboItemsOf(const QComboBox& combo);
