#pragma once

// What a user meets in a form or dialog built from a template, checked without looking: every
// visible control lies inside its form, every text the program puts in a static, button, radio,
// check box, group box title, combo item or edit fits the control's contents rectangle in the
// control's own font, and no two sibling controls overlap unless one is a group box or frame that
// holds the other whole.

#include <QString>

#include <span>
#include <string>
#include <vector>

class QWidget;

// An overlap or cut the template means, with its reason (for the record in the test).
struct LayoutException {
  int templateId;
  int controlId;
  int otherId;  // 0 for a fault of the control alone
  const char* reason;
};

// Every fault of the template-built controls directly in `form` ("templateId" property), as
// readable lines naming the template and the controls; empty when the form is sound.
std::vector<std::string> LayoutFaults(QWidget* form, std::span<const LayoutException> allowed = {});

// Puts the longest texts the program shows into the controls of template `templateId` that
// start empty or change their text (version labels, button states, list lines).
void FillWithLongestTexts(QWidget* form, int templateId);
