#pragma once

// The rows of the "Recall Session" dialog: one per stored-session slot, filled from the store's
// session directory as the worker's answers arrive, and what a recall copies from an entry into
// the capture configuration. The dialog applies these to its template's controls.

#include <array>
#include <string>

#include "link/store/CaptureHeader.h"

class CORUData;

inline constexpr int kRecallRows = 9;

// The seven controls of row n (1..9): ids step by one per row, the date, count and recall
// button by three.
struct RecallRowIds {
  int label = 0;  // "Session #n" button
  int date = 0;
  int count = 0;
  int recall = 0;  // "Recall #n" button
  int mode = 0;
  int format = 0;
  int line = 0;
};
RecallRowIds RecallIdsOfRow(int row);
// The row (1..9) whose recall button has `id`; 0 for any other id.
int RecallRowOfButton(int id);

struct RecallRowState {
  std::string date;
  std::string count;
  std::string mode;
  std::string format;
  std::string line;
  // The session label, date, count and recall button go together; the three mode texts too.
  bool entryEnabled = false;
  bool modesEnabled = false;
  bool operator==(const RecallRowState&) const = default;
};

// Before its answer arrives: "Retreiving...", the other texts empty, the row disabled.
RecallRowState InitialRecallRow();
// A directory entry into its row. An empty slot (byte count 0) shows "EMPTY" and disables the
// entry's controls; its mode texts keep what they had.
void ApplyDirectoryEntry(RecallRowState& row, const CORUCaptureHeader& entry);

// The directory is read in slot order: the first answer makes the dialog busy, the ninth ends it.
// Any other slot leaves `busy` as it is.
bool BusyAfterAnswer(int slot, bool busy);

// A copy of directory entry `slot` (0..8) taken under the store's lock.
CORUCaptureHeader ReadDirectoryEntry(const CORUData& store, int slot);

// Under the store's lock, the entry's Sync, 4-wire and 7E1 bits become the capture configuration's
// sync, lineType and parity7E1, and its end text the trigger text.
void TakeEntryConfiguration(CORUData& store, int slot);
