#include "link/store/HdlcReplay.h"

void HdlcReplay::StartEvent() {
  answer.Reset();
  originate.Reset();
  counter = 0;
}

SyncStep HdlcReplay::Step(const CCaptBuf& record) {
  SyncStep step;
  if (IsSkippedRecord(record, showModemEvents)) return step;
  if (record.IsModemEvent() && record.markerShown == 1) {
    step.kind = SyncStep::Kind::Marker;
    step.takesPlace = true;
  } else {
    CHDLCProcessor& processor = record.IsAnswer() ? answer : originate;
    step.kind = SyncStep::Kind::Fed;
    step.result = processor.Feed(record.data);
    step.byte = processor.outputByte;
    step.takesPlace = !bitStuffed || (step.result & HDLC_BYTE_READY) != 0;
  }
  if (step.takesPlace) step.sequence = counter++;
  return step;
}

void HdlcReplay::Apply(const SyncStep& step, CCaptBuf& record) {
  record.hdlcResult = step.result;
  if (step.kind == SyncStep::Kind::Fed) record.hdlcByte = step.byte;
  if (step.takesPlace) record.syncSequence = step.sequence;
}

int EventWalker::NextOpening(int index) {
  if (next >= headers.GetSize() || headers[next].firstIndex > index) return -1;
  return next++;
}
