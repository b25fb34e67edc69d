#include "display/model/SessionRecallRows.h"

#include <cstdio>

#include "link/store/OruData.h"
#include "resources/data/ResourceIds.h"

namespace {

constexpr RecallRowIds kRowIds[kRecallRows] = {
    {IDC_RECALL_ITEM1, IDC_RECALL_DATE1, IDC_RECALL_SIZE1, IDC_RECALL_BUTTON1, IDC_RECALL_MODE1, IDC_RECALL_FORMAT1,
     IDC_RECALL_LINE1},
    {IDC_RECALL_ITEM2, IDC_RECALL_DATE2, IDC_RECALL_SIZE2, IDC_RECALL_BUTTON2, IDC_RECALL_MODE2, IDC_RECALL_FORMAT2,
     IDC_RECALL_LINE2},
    {IDC_RECALL_ITEM3, IDC_RECALL_DATE3, IDC_RECALL_SIZE3, IDC_RECALL_BUTTON3, IDC_RECALL_MODE3, IDC_RECALL_FORMAT3,
     IDC_RECALL_LINE3},
    {IDC_RECALL_ITEM4, IDC_RECALL_DATE4, IDC_RECALL_SIZE4, IDC_RECALL_BUTTON4, IDC_RECALL_MODE4, IDC_RECALL_FORMAT4,
     IDC_RECALL_LINE4},
    {IDC_RECALL_ITEM5, IDC_RECALL_DATE5, IDC_RECALL_SIZE5, IDC_RECALL_BUTTON5, IDC_RECALL_MODE5, IDC_RECALL_FORMAT5,
     IDC_RECALL_LINE5},
    {IDC_RECALL_ITEM6, IDC_RECALL_DATE6, IDC_RECALL_SIZE6, IDC_RECALL_BUTTON6, IDC_RECALL_MODE6, IDC_RECALL_FORMAT6,
     IDC_RECALL_LINE6},
    {IDC_RECALL_ITEM7, IDC_RECALL_DATE7, IDC_RECALL_SIZE7, IDC_RECALL_BUTTON7, IDC_RECALL_MODE7, IDC_RECALL_FORMAT7,
     IDC_RECALL_LINE7},
    {IDC_RECALL_ITEM8, IDC_RECALL_DATE8, IDC_RECALL_SIZE8, IDC_RECALL_BUTTON8, IDC_RECALL_MODE8, IDC_RECALL_FORMAT8,
     IDC_RECALL_LINE8},
    {IDC_RECALL_ITEM9, IDC_RECALL_DATE9, IDC_RECALL_SIZE9, IDC_RECALL_BUTTON9, IDC_RECALL_MODE9, IDC_RECALL_FORMAT9,
     IDC_RECALL_LINE9},
};

UCHAR Bit(UCHAR flags, UCHAR mask) { return (flags & mask) != 0 ? 1 : 0; }

}  // namespace

RecallRowIds RecallIdsOfRow(int row) {
  if (row < 1 || row > kRecallRows) return {};
  return kRowIds[row - 1];
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

CORUCaptureHeader ReadDirectoryEntry(const CORUData& store, int slot) {
  return store.WithData(
      [slot](const DataScope& data) { return data.sessionDirectory().at(static_cast<std::size_t>(slot)); });
}

void TakeEntryConfiguration(CORUData& store, int slot) {
  store.WithData([slot](DataScope& data) {
    const CORUCaptureHeader& entry = data.sessionDirectory().at(static_cast<std::size_t>(slot));
    CSysCfg& cfg = data.sysCfg();
    cfg.sync = Bit(entry.flags, EVENT_SYNC);
    cfg.lineType = Bit(entry.flags, EVENT_4WIRE);
    cfg.parity7E1 = Bit(entry.flags, EVENT_7E1);
    cfg.triggerText = entry.endText;
  });
}
