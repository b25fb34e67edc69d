#pragma once

// A line edit's character filter as a validator, so that typing and pasting pass the same test:
// an edit that inserts a refused character, or grows the text past the limit, is refused whole.
// The edit's own text already holds the change when it is validated, so the validator keeps the
// text last accepted (set by the program or typed) to compare with.

#include <QString>
#include <QValidator>

#include "trace/model/TraceControlRules.h"

class QLineEdit;

class EditFilterValidator final : public QValidator {
 public:
  EditFilterValidator(EditFilter filter, QLineEdit* edit);
  State validate(QString& input, int& pos) const override;

 private:
  EditFilter filter_;
  QString accepted_;
};
