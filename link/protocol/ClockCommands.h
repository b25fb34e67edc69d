#pragma once

// The instrument's clock (SR) and trigger text (ST).

#include "link/protocol/CommTransport.h"
#include "link/protocol/WorkerClock.h"

// "SR:MM:DD:YY:hh:mm:ss" for `time` (year - 2000); 1 when the reply is "sr".
int SetInstrumentClock(CommTransport& transport, const SYSTEMTIME& time);

// "ST:" with the record's trigger text (copied under dataMutex); 1 when the reply is "st".
int SetTriggerText(CommTransport& transport);

// The SR command text for `time`.
std::string BuildClockCommand(const SYSTEMTIME& time);
