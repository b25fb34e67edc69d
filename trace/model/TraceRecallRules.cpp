#include "trace/model/TraceRecallRules.h"

RecallRow RowForHeader(const CORUTraceHeader& header) {
  RecallRow row;
  if (header.IsEmpty()) {
    row.empty = true;
    return row;
  }
  row.usable = true;
  row.dateTime = header.date + "  " + header.time;
  return row;
}

bool BusyAfterRow(int row, bool busy) {
  if (row == 0) return true;
  if (row == 2) return false;
  return busy;
}

RecalledSettings SettingsFromHeader(const CORUTraceHeader& header) {
  RecalledSettings s;
  s.span = static_cast<int>(header.spanIndex);
  s.scale = static_cast<int>(header.scaleIndex);
  s.trigger = static_cast<int>(header.triggerType);
  s.triggerNumber = header.dtmfDigits.substr(0, kRecalledDigits);
  s.ringbackQuantity = static_cast<int>(header.ringbackCount);
  s.deltaV = ClampDeltaV(static_cast<int>(header.voltageLevel));
  s.line = static_cast<int>(header.line);
  return s;
}
