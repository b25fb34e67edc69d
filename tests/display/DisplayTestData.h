#pragma once

// Captures built by hand for the display tests.

#include <string>
#include <vector>

#include "link/store/OruData.h"
#include "shell/model/AppSettings.h"

namespace displaytest {

// ASCII view, the default colours and their shades, black text and a white marker text.
void DefaultViewSettings(AppSettings& settings);
// Appends one record; `answer` picks the direction.
void AddByte(CORUData& store, UCHAR data, bool answer, ULONG seconds = 0, ULONG fraction = 0);
// Appends the two records of a modem-event word, paired as the capture decoders pair them.
void AddModemEvent(CORUData& store, UCHAR first, UCHAR second, bool answer = true);
// Opens an event at the current end of the buffer.
void AddEvent(CORUData& store, bool sync, const std::string& name = "CONNECT 2400");
// Keeps the last event's byte count up to date, as the worker does on every append.
void UpdateLastCount(CORUData& store);

// `payload` as an HDLC frame on the line: a flag, the bit-stuffed payload, a flag, padded with
// flags to whole bytes; bits least significant first.
std::vector<UCHAR> HdlcLine(const std::vector<UCHAR>& payload);

}  // namespace displaytest
