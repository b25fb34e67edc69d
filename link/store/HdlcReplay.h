#pragma once

// Replays the records of a synchronous event through the HDLC de-stuffers, as the session layout
// does when it measures them and as the CSV export does, so both see the same de-stuffed bytes
// and the same running numbers. Also walks the events of a capture in record order.

#include "link/store/CArray.h"
#include "link/store/CaptBuf.h"
#include "link/store/CaptureHeader.h"
#include "link/store/HdlcProcessor.h"

// What one record contributes to its synchronous event.
struct SyncStep {
  enum class Kind { Skipped, Marker, Fed };
  Kind kind = Kind::Skipped;
  USHORT result = 0;        // the de-stuffer's result (Fed only; 0 otherwise)
  UCHAR byte = 0;           // the de-stuffer's output byte after the record (Fed only)
  bool takesPlace = false;  // shown: a marker cell, a completed byte, or any fed byte when not bit-stuffed
  ULONG sequence = 0;       // its running number within the event when it takes a place
};

// A modem-event record that is not drawn at all: events hidden, or the closing half of a pair.
inline bool IsSkippedRecord(const CCaptBuf& record, bool showModemEvents) {
  return record.IsModemEvent() && (!showModemEvents || record.hidden == 1);
}

class HdlcReplay {
 public:
  // `answer` de-stuffs Answer-direction bytes, `originate` the others.
  HdlcReplay(CHDLCProcessor& answer, CHDLCProcessor& originate, bool bitStuffed, bool showModemEvents)
      : answer(answer), originate(originate), bitStuffed(bitStuffed), showModemEvents(showModemEvents) {}

  // A synchronous event opens: both de-stuffers and the running number start afresh.
  void StartEvent();
  SyncStep Step(const CCaptBuf& record);
  // Writes hdlcResult and hdlcByte (result 0 for records not fed) and, when it takes a place,
  // syncSequence into the record.
  static void Apply(const SyncStep& step, CCaptBuf& record);

 private:
  CHDLCProcessor& answer;
  CHDLCProcessor& originate;
  bool bitStuffed;
  bool showModemEvents;
  ULONG counter = 0;
};

// Which events open before each record: every event whose first index has been reached, in
// header order, several at one index included.
class EventWalker {
 public:
  explicit EventWalker(const CCaptureHeaderArray& headers) : headers(headers) {}
  // The next event opening at or before record `index`, or -1 when none is left to open there.
  int NextOpening(int index);

 private:
  const CCaptureHeaderArray& headers;
  int next = 0;
};
