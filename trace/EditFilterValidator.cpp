#include "trace/EditFilterValidator.h"

#include <QLineEdit>

EditFilterValidator::EditFilterValidator(EditFilter filter, QLineEdit* edit)
    : QValidator(edit), filter_(filter), accepted_(edit->text()) {
  connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { accepted_ = text; });
}

QValidator::State EditFilterValidator::validate(QString& input, int& /*pos*/) const {
  // Characters outside Latin-1 become '?', which no filter accepts.
  const auto kept = FilterEdit(filter_, accepted_.toLatin1().toStdString(), input.toLatin1().toStdString());
  if (!kept) return Invalid;
  input = QString::fromLatin1(kept->c_str());
  return Acceptable;
}
