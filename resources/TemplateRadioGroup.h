#pragma once

// The radio buttons of one template group, behaving as the platform's auto radio buttons:
// - a click checks the clicked radio and clears the others; setChecked() touches only its own
//   button, so code may clear the whole group or set it back after a refused change;
// - Tab reaches the group at its checked radio (its first radio while none is checked), when the
//   group is a tab stop at all;
// - the arrow keys move through the group in template order, wrapping and skipping disabled and
//   hidden radios, and select the radio they reach as a click would (its clicked signal and the
//   group's buttonClicked run).

#include <QButtonGroup>

class QRadioButton;

class TemplateRadioGroup : public QButtonGroup {
  Q_OBJECT
 public:
  explicit TemplateRadioGroup(QObject* owner);

  // Appends `radio` in template order.
  void AddRadio(QRadioButton* radio);
  // Whether Tab stops in the group at all (the template gave one of its radios a tab stop).
  void SetTabStop(bool tabStop);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The radio the arrow keys reach from `from`, one step forward or back; nullptr when none.
  QAbstractButton* Neighbour(QAbstractButton* from, bool forward) const;
  // Gives the tab stop to the checked radio, or to the first one while none is checked.
  void PlaceTabStop();
  QAbstractButton* Checked() const;  // the first checked radio, or nullptr

  bool tabStop_ = false;
};
