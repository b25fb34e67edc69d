#pragma once

// The stored-trace recall dialog's rules without Qt: what a row shows for its header, when the
// dialog is busy, and the settings a recalled trace gives.

#include <string>

#include "link/store/TraceHeader.h"

inline constexpr const char* kRetrievingText = "Retreiving...";
inline constexpr const char* kEmptySlotText = "EMPTY";
inline constexpr int kRecalledDigits = 4;  // a recalled trace gives "Trigger Number" this many

struct RecallRow {
  bool usable = false;   // the row's buttons and texts enabled
  bool empty = false;    // the count text becomes "EMPTY"
  std::string dateTime;  // "date  time"; empty for an empty slot
};
RecallRow RowForHeader(const CORUTraceHeader& header);

// Rows arrive in slot order: the first makes the dialog busy, the third ends it.
bool BusyAfterRow(int row, bool busy);

// The trace settings a Recall button takes from its header.
struct RecalledSettings {
  int span = 0;
  int scale = 0;
  int trigger = 0;
  std::string triggerNumber;
  int ringbackQuantity = 0;
  int deltaV = 0;
  int line = 0;
};
RecalledSettings SettingsFromHeader(const CORUTraceHeader& header);
