#pragma once

// The requests the volt-meter and DTMF loops carry out besides their own stop: a firmware
// download (the loop goes on afterwards) and a settings request for items 4, 5 or 6 alone.
// Anything else is dropped.

#include "link/protocol/CommTransport.h"
#include "link/protocol/ConfigCommands.h"
#include "link/worker/FirmwareDownload.h"
#include "link/worker/RequestQueue.h"

struct MeterLoopParts {
  CommTransport& transport;
  RequestQueue& queue;
  ConfigCommands& config;
  FirmwareDownload& download;
};

void HandleMeterLoopRequest(MeterLoopParts& parts, const MSG& message);
