#pragma once

// The volt-meter loop (WM_ORU_START_LINE_TEST): one "VM:line:unit" reading after another on the
// selected line until WM_ORU_STOP_LINE_TEST or the exit request.

#include <string_view>

#include "link/worker/MeterLoopRequests.h"

// Stores the three fields of a "vm:" reply; `mode` 2 takes the third as the calibration reading
// (`calibrationReading`, may be null). 0 when the reply does not begin "vm:" or a mode-2 reading
// is not a number.
int ParseVoltMeterReply(CORUData& store, std::string_view reply, int mode, long* calibrationReading);

void RunVoltMeter(MeterLoopParts& parts);
