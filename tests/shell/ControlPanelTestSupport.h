#pragma once

// Choosing a combo item of the control panel as the user does: the item becomes current and the
// combo's activated signal runs the panel's handler.

#include <QComboBox>
#include <QString>

#include "shell/panel/ControlView.h"

namespace paneltest {

// False when the panel has no such combo or the combo no such item.
inline bool Pick(CORUControlView& panel, int id, const QString& text) {
  auto* combo = qobject_cast<QComboBox*>(panel.Control(id));
  if (combo == nullptr) return false;
  const int index = combo->findText(text);
  if (index < 0) return false;
  combo->setCurrentIndex(index);
  emit combo->activated(index);
  return true;
}

}  // namespace paneltest
