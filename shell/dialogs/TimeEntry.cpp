#include "shell/dialogs/TimeEntry.h"

#include <QDateEdit>
#include <QPushButton>
#include <QTimeEdit>

#include "resources/TemplateBuilder.h"
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"
#include "shell/views/ViewContext.h"
#include "shell/model/ClockRange.h"

CORUTimeEntry::CORUTimeEntry(ViewContext& context, QWidget* parent, const QDateTime& now)
    : QDialog(parent), context_(context) {
  setObjectName("CORUTimeEntry");
  ApplyTemplate(this, IDD_CLOCK_ENTRY);
  date_ = FindControlAs<QDateEdit>(this, IDC_DATE);
  time_ = FindControlAs<QTimeEdit>(this, IDC_TIME);
  if (date_) {
    // The instrument takes a two-digit year: the field offers no other century.
    date_->setDateRange(QDate(kFirstClockYear, 1, 1), QDate(kLastClockYear, 12, 31));
    date_->setDate(now.date());
  }
  if (time_) {
    time_->setDisplayFormat("HH:mm:ss");
    time_->setTime(now.time());
  }
  if (auto* ok = FindControlAs<QPushButton>(this, kOkControlId)) {
    ok->disconnect(this);
    connect(ok, &QPushButton::clicked, this, &CORUTimeEntry::OnOK);
  }
}

void CORUTimeEntry::OnOK() {
  if (!date_ || !time_) return;
  const QDate date = date_->date();
  const QTime time = time_->time();
  const SYSTEMTIME record =
      ClockRecord(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second());
  // The field's range already keeps other years out; a record the instrument cannot take is
  // never handed on.
  if (!IsSendableClock(record)) return;
  context_.link.enteredClock.Set(record);
  accept();
}
