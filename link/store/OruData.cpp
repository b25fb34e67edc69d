#include "link/store/OruData.h"

#include "link/store/DocumentType.h"

CORUData::CORUData() {
  Reset();
  Fields().layoutDirty = 1;
}

void CORUData::Reset() {
  StoreFields& fields = Fields();
  std::lock_guard guard(fields.dataMutex);
  fields.cursorRecordIndex = -1;
  fields.currentRecordIndex = -1;
  fields.traceCursor1 = -1;
  fields.traceCursor2 = -1;
  fields.traceMarker1 = -1;
  fields.traceMarker2 = -1;
  fields.highlightParityBit = 0;
  fields.highlightParityErrors = 0;
  fields.showModemEvents = 0;
  ExchangeRun([](RunState& run) { run = RunState{}; });
  ClearTrace(TraceKind::Streamed);
  acUnit = 0;
  endOfCaptureCode = 0;
  lineStatusText.Clear();
  acValueText.Clear();
  dcValueText.Clear();
  dtmfDigits.Clear();
  modeText.Clear();
  statusText.Set(kIdleStatusText);
  ClearTrace(TraceKind::Triggered);
  fields.hdlcState = 1;
}

void CORUData::StoreBody(ByteWriter& out, DocumentType documentType) {
  if (documentType == DocumentType::Trace) {
    StoreTraceBody(out);
  } else {
    StoreCaptureBody(out);
  }
}

FileStatus CORUData::LoadBody(ByteReader& in, DocumentType documentType) {
  return documentType == DocumentType::Trace ? LoadTraceBody(in) : LoadCaptureBody(in);
}

void CORUData::DropStaleIndexes() {
  StoreFields& fields = Fields();
  std::lock_guard guard(fields.dataMutex);
  const int records = fields.captureBuffer.GetSize();
  auto drop = [](std::atomic<int>& index, int size) {
    int value = index;
    if (value < -1 || value >= size) index = -1;
  };
  drop(fields.currentRecordIndex, records);
  drop(fields.cursorRecordIndex, records);
  drop(fields.cursorEventIndex, fields.captureHeaders.GetSize());
  drop(fields.traceMarker1, fields.traceSamples.GetSize());
  drop(fields.traceMarker2, fields.traceSamples.GetSize());
}

void CORUData::ClearCapture(bool keepStorage) {
  WithCapture([keepStorage](CaptureScope& capture) { capture.Clear(keepStorage); });
}

void CORUData::ClearTrace(TraceKind kind) {
  WithTrace([kind](TraceScope& trace) { trace.Clear(kind); });
}

std::mutex& CORUData::TraceBufferMutex(int index) {
  if (index == 0) return traceBufferMutex1;
  if (index == 1) return traceBufferMutex2;
  throw CInvalidArgException("CORUData: no such stream buffer");
}

UCHAR* CORUData::StreamBuffer(int index) {
  if (index != 0 && index != 1) throw CInvalidArgException("CORUData: no such stream buffer");
  return streamBuffers[static_cast<std::size_t>(index)].data();
}
