#include "link/store/OruData.h"

#include "link/store/DocumentType.h"

CORUData::CORUData() : traceBlocks(kTraceBlockCapacity) {
  Reset();
  layoutDirty = 1;
}

void CORUData::Reset() {
  std::lock_guard guard(dataMutex);
  cursorRecordIndex = -1;
  currentRecordIndex = -1;
  traceCursor1 = -1;
  traceCursor2 = -1;
  traceMarker1 = -1;
  traceMarker2 = -1;
  highlightParityBit = 0;
  highlightParityErrors = 0;
  showModemEvents = 0;
  ExchangeRun([](RunState& run) { run = RunState{}; });
  ClearTrace(TraceKind::Streamed);
  word1096 = 0;
  acUnit = 0;
  endOfCaptureCode = 0;
  lineStatusText.Clear();
  acValueText.Clear();
  dcValueText.Clear();
  dtmfDigits.Clear();
  modeText.Clear();
  statusText.Set(kIdleStatusText);
  ClearTrace(TraceKind::Triggered);
  hdlcState = 1;
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
  std::lock_guard guard(dataMutex);
  const int records = captureBuffer.GetSize();
  auto drop = [](std::atomic<int>& index, int size) {
    int value = index;
    if (value < -1 || value >= size) index = -1;
  };
  drop(currentRecordIndex, records);
  drop(cursorRecordIndex, records);
  drop(cursorEventIndex, captureHeaders.GetSize());
  drop(traceMarker1, traceSamples.GetSize());
  drop(traceMarker2, traceSamples.GetSize());
}

void CORUData::ClearCapture(bool keepStorage) {
  std::lock_guard guard(dataMutex);
  if (keepStorage) {
    captureBuffer.Clear();
    captureHeaders.Clear();
  } else {
    captureBuffer.RemoveAll();
    captureHeaders.RemoveAll();
  }
  currentRecordIndex = -1;
  cursorRecordIndex = -1;
  layoutDirty = 1;
  ++captureGeneration;
}

void CORUData::ClearTrace(TraceKind kind) {
  std::lock_guard guard(dataMutex);
  if (kind == TraceKind::Triggered) {
    traceSamples.RemoveAll();
  } else {
    traceBlockCount = 0;
  }
  ++traceGeneration;
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
