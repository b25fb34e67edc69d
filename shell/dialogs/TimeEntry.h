#pragma once

// "Set ORUpc date and time" (template IDD_CLOCK_ENTRY): a date and a time, filled from the PC's local time;
// OK puts them into the worker's clock record.

#include <QDateTime>
#include <QDialog>

struct ViewContext;
class QDateEdit;
class QTimeEdit;

class CORUTimeEntry : public QDialog {
  Q_OBJECT

 public:
  // `now` is the PC's local time the fields start from.
  CORUTimeEntry(ViewContext& context, QWidget* parent, const QDateTime& now = QDateTime::currentDateTime());

  QDateEdit* DatePicker() const { return date_; }
  QTimeEdit* TimePicker() const { return time_; }

 private:
  void OnOK();

  ViewContext& context_;
  QDateEdit* date_ = nullptr;
  QTimeEdit* time_ = nullptr;
};
