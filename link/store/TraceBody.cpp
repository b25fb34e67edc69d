// The trace body of an ".ast" file: cursor and marker, then the samples, stored plain.

#include <algorithm>

#include "link/store/ByteReader.h"
#include "link/store/ByteWriter.h"
#include "link/store/OruData.h"

// The body "seeds" the capture generator with TRACE_FILE_SEED but draws nothing from it, and the
// stream belongs to one file operation, so nothing here needs a generator at all.

void CORUData::StoreTraceBody(ByteWriter& out) {
  std::lock_guard guard(dataMutex);
  out.Int32(traceCursor1);
  out.Int32(traceCursor2);
  out.Int32(traceMarker1);
  const int count = std::min(traceSamples.GetSize(), kTraceFileSamples);
  for (int i = 0; i < count; ++i) out.Int32(traceSamples[i]);
}

FileStatus CORUData::LoadTraceBody(ByteReader& in) {
  std::lock_guard guard(dataMutex);
  ClearTrace(TraceKind::Triggered);
  LONG cursor1 = 0, cursor2 = 0, marker1 = 0;
  if (!in.Int32(cursor1) || !in.Int32(cursor2) || !in.Int32(marker1)) {
    traceCursor1 = -1;
    traceCursor2 = -1;
    traceMarker1 = -1;
    return FileStatus::TraceFormatError;
  }
  traceCursor1 = cursor1;
  traceCursor2 = cursor2;
  traceMarker1 = marker1;
  // Always exactly 1000 samples: once the file ends, the last sample read repeats (0 if none).
  traceSamples.Reserve(kTraceFileSamples);
  LONG last = 0;
  for (int i = 0; i < kTraceFileSamples; ++i) {
    LONG sample = 0;
    if (in.Int32(sample)) last = sample;
    traceSamples.Add(last);
  }
  DropStaleIndexes();
  return FileStatus::Ok;
}
