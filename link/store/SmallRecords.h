#pragma once

// The small records the store and the windows share: calibration factors, the modem status
// word of the read-out panel and the print-job record.

#include <string>

#include "platform/nt/BaseTypes.h"

// Calibration factors of one measuring line; gain 1024 with offset 0 is neutral.
struct CCalFactor {
  LONG reserved = 0;
  LONG dcGain = 0;
  LONG dcOffset = 0;
  LONG dcReading1 = 0;  // first DC step's reading, kept for the second step
  double dcExtra = 0.0;
  LONG acGain = 0;
  LONG acOffset = 0;
  double acExtra = 0.0;
  LONG acCalibrated = 1;
  LONG dcCalibrated = 1;
};

// Holder of one modem status word for the read-out panel.
struct CQSRRegister {
  ULONG value = 0;
};

// Per print job: the title and the page layout the printing views set.
struct CPrintData {
  std::string title;
  LONG pagesAcross = 0;
  LONG pagesDown = 0;
  LONG originX = 0;
  LONG originY = 0;
};
