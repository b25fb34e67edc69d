#pragma once

// The DTMF decoder loop (WM_ORU_START_DTMF_DECODER): starts the decoder on the selected line,
// polls it for digits every 100 ms, follows a change of line, and stops it on
// WM_ORU_STOP_DTMF_DECODER or the exit request.

#include <string_view>

#include "link/worker/MeterLoopRequests.h"

// 1 for a started decoder (state 0, text "1..."), new digits (state 1; appended to `dtmfDigits`
// on a line of their own) or a stop (state 2); else 0. Digits read on line `readOn` are dropped
// when another line has been chosen meanwhile (0: any line): the window cleared them already.
int ParseDtmfReply(CORUData& store, std::string_view reply, int readOn = 0);

void RunDtmfDecoder(MeterLoopParts& parts);
