#pragma once

// The HDLC test's demonstration capture: 16 flags, the bytes 0..255 bit-stuffed least significant
// bit first, a closing flag and flag bits to fill its last byte. It is stored as Answer-direction
// records of one synchronous event, so the session view de-stuffs it as any HDLC capture.

#include <string>
#include <vector>

#include "link/store/OruData.h"
#include "platform/nt/BaseTypes.h"

std::vector<UCHAR> BuildHdlcTestPattern();

// Empties the capture (ClearCapture) and stores the pattern under the store's lock with one header:
// index 0, the Sync flag, the given start date ("%m/%d/%y") and time ("%H:%M:%S"). `processor`
// is reset and fed the records so that each carries its de-stuffed byte.
void StoreHdlcTestCapture(CORUData& store, CHDLCProcessor& processor, const std::string& date, const std::string& time);
