#pragma once

// A modem event arrives as two modem-event records: the first record's data byte is the high byte
// of the 16-bit event word, the next record's the low byte. This names its parts.

#include <string>

#include "link/store/SmallRecords.h"

struct ModemEventText {
  std::string rate;   // classes 3-7: the rate of the event code; else empty
  std::string event;  // the class text (class 2: by its code); class 0 empty
  std::string snr;
  std::string state;
};

// The word of the pair (first byte high).
CQSRRegister ModemEventRegister(UCHAR first, UCHAR second);
int EventClass(const CQSRRegister& word);  // bits 15-13
int EventCode(const CQSRRegister& word);   // bits 12-10
int SnrGrade(const CQSRRegister& word);    // bits 6-4
int ModemState(const CQSRRegister& word);  // bits 3-0
ModemEventText DecodeModemEvent(const CQSRRegister& word);

// "Modem event # %i" (and the other numbered rows): the number padded with blanks to five
// digits; from 100000 on the number alone.
std::string PaddedNumberRow(const char* label, long long number);
