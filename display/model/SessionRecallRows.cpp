#include "display/model/SessionRecallRows.h"

#include <cstdio>
#include <mutex>

#include "link/store/OruData.h"

namespace {

constexpr int kFirstLabelId = 1108;
constexpr int kFirstDateId = 1117;
constexpr int kFirstModeId = 1144;
constexpr int kFirstFormatId = 1153;
constexpr int kFirstLineId = 1162;

UCHAR Bit(UCHAR flags, UCHAR mask) { return (flags & mask) != 0 ? 1 : 0; }

}  // namespace

RecallRowIds RecallIdsOfRow(int row) {
  const int k = row - 1;
  return {kFirstLabelId + k, kFirstDateId + 3 * k, kFirstDateId + 1 + 3 * k, kFirstDateId + 2 + 3 * k,
          kFirstModeId + k,  kFirstFormatId + k,   kFirstLineId + k};
}

int RecallRowOfButton(int id) {
  for (int row = 1; row <= kRecallRows; ++row)
    if (RecallIdsOfRow(row).recall == id) return row;
  return 0;
}

RecallRowState InitialRecallRow() {
  RecallRowState row;
  row.count = "Retreiving...";
  return row;
}

void ApplyDirectoryEntry(RecallRowState& row, const CORUCaptureHeader& entry) {
  if (entry.reserved32 == 0) {
    row.count = "EMPTY";
    row.date.clear();
    row.entryEnabled = false;
    return;
  }
  row.entryEnabled = true;
  row.modesEnabled = true;
  char count[32];
  std::snprintf(count, sizeof count, "%i bytes", static_cast<int>(entry.reserved32));
  row.count = count;
  row.date = entry.startDate + "  " + entry.startTime;
  row.mode = Bit(entry.flags, EVENT_SYNC) ? "Sync" : "Async";
  row.format = Bit(entry.flags, EVENT_7E1) ? "7E1" : "8N1";
  row.line = Bit(entry.flags, EVENT_4WIRE) ? "4 Wire" : "2 Wire";
}

bool BusyAfterAnswer(int slot, bool busy) {
  if (slot == 0) return true;
  if (slot == kRecallRows - 1) return false;
  return busy;
}

CORUCaptureHeader ReadDirectoryEntry(CORUData& store, int slot) {
  auto guard = store.HoldData();
  return store.sessionDirectory.at(static_cast<std::size_t>(slot));
}

void TakeEntryConfiguration(CORUData& store, int slot) {
  auto guard = store.HoldData();
  const CORUCaptureHeader& entry = store.sessionDirectory.at(static_cast<std::size_t>(slot));
  store.sysCfg.sync = Bit(entry.flags, EVENT_SYNC);
  store.sysCfg.lineType = Bit(entry.flags, EVENT_4WIRE);
  store.sysCfg.parity7E1 = Bit(entry.flags, EVENT_7E1);
  store.sysCfg.triggerText = entry.endText;
}
