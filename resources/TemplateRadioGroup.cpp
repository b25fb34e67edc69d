#include "resources/TemplateRadioGroup.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QRadioButton>

TemplateRadioGroup::TemplateRadioGroup(QObject* owner) : QButtonGroup(owner) {
  setExclusive(false);  // an exclusive group would refuse to clear its checked radio
  connect(this, &QButtonGroup::buttonClicked, this, [this](QAbstractButton* clicked) {
    clicked->setChecked(true);
    for (QAbstractButton* other : buttons()) {
      if (other != clicked) other->setChecked(false);
    }
  });
}

void TemplateRadioGroup::AddRadio(QRadioButton* radio) {
  radio->setAutoExclusive(false);
  addButton(radio);
  radio->installEventFilter(this);
  connect(radio, &QAbstractButton::toggled, this, [this] { PlaceTabStop(); });
  PlaceTabStop();
}

void TemplateRadioGroup::SetTabStop(bool tabStop) {
  tabStop_ = tabStop;
  PlaceTabStop();
}

void TemplateRadioGroup::PlaceTabStop() {
  const QList<QAbstractButton*> radios = buttons();
  if (radios.isEmpty()) return;
  QAbstractButton* checked = Checked();
  QAbstractButton* stop = checked != nullptr ? checked : radios.front();
  for (QAbstractButton* radio : radios)
    radio->setFocusPolicy(tabStop_ && radio == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

QAbstractButton* TemplateRadioGroup::Neighbour(QAbstractButton* from, bool forward) const {
  const QList<QAbstractButton*> radios = buttons();
  const qsizetype count = radios.size();
  const qsizetype start = radios.indexOf(from);
  if (start < 0) return nullptr;
  for (qsizetype step = 1; step < count; ++step) {
    const qsizetype at = forward ? (start + step) % count : (start - step + count) % count;
    QAbstractButton* candidate = radios[at];
    if (candidate->isEnabled() && candidate->isVisibleTo(candidate->window())) return candidate;
  }
  return nullptr;
}

QAbstractButton* TemplateRadioGroup::Checked() const {
  for (QAbstractButton* radio : buttons())
    if (radio->isChecked()) return radio;
  return nullptr;
}

bool TemplateRadioGroup::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    // Code may check and clear the radios with their signals blocked, so the tab stop can be
    // stale: Tab arriving at another radio than the checked one passes on to the checked one.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    QAbstractButton* checked = Checked();
    PlaceTabStop();
    if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && checked != nullptr &&
        checked != watched && checked->isEnabled() && checked->isVisibleTo(checked->window()))
      checked->setFocus(reason);
    return QButtonGroup::eventFilter(watched, event);
  }
  if (event->type() != QEvent::KeyPress) return QButtonGroup::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const bool forward = key->key() == Qt::Key_Down || key->key() == Qt::Key_Right;
  const bool back = key->key() == Qt::Key_Up || key->key() == Qt::Key_Left;
  if ((!forward && !back) || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
    return QButtonGroup::eventFilter(watched, event);
  auto* from = qobject_cast<QAbstractButton*>(watched);
  if (QAbstractButton* next = from != nullptr ? Neighbour(from, forward) : nullptr) {
    // The focus stays on the radio the arrow reached even when its handler refuses the change.
    next->setFocus(Qt::ShortcutFocusReason);
    if (!next->isChecked()) next->click();
  }
  return true;  // the arrows never leave the group
}
