#pragma once

// The calibration-factor commands: LC sends a line's DC or AC factors (or neutral ones), "LC:0"
// makes the instrument keep them, RC reads one group back into the line's record. A step mask
// with any of bits 1, 2, 4 names the DC group, 8 or 16 the AC group.

#include <string_view>

#include "link/protocol/CommTransport.h"

class CalibrationCommands {
 public:
  explicit CalibrationCommands(CommTransport& transport) : transport_(transport) {}

  // The record of line 1, 2 or 3; null for any other line.
  static CCalFactor* FactorsOf(CORUData& store, int line);

  // "LC:line:0:offset:gain" for the DC group, then "LC:line:1:offset:gain" for the AC group, as
  // the mask selects them. 1 when every command sent was answered "lc:".
  int SendFactors(int line, int mask);
  // The same with gain 1024 and offset 0; the record is left alone.
  int ResetFactors(int line, int mask);
  // "LC:0".
  int StoreFactors();
  // "RC:line:0" (DC) or "RC:line:1" (AC): gain, offset and volts per count into the record, then
  // WM_ORU_GET_CAL_FACTORS (line, mask). 0, and nothing changed or posted, on any failure.
  int ReadFactors(int line, int mask);

 private:
  int SendGroups(int line, int mask, bool neutral);
  int SendOne(const std::string& command);

  CommTransport& transport_;
};

// An "rc:" reply, gain:offset:volts per count, into the DC or the AC group of `factors`; false,
// and nothing changed, unless all three are numbers.
bool ParseFactorsReply(std::string_view reply, bool dc, CCalFactor& factors);

bool IsDcStepMask(int mask);
bool IsAcStepMask(int mask);
