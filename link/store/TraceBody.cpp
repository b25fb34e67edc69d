// The trace body of an ".ast" file: cursor and marker, then the samples, stored plain.

#include <algorithm>

#include "link/store/ByteReader.h"
#include "link/store/ByteWriter.h"
#include "link/store/OruData.h"

// The body "seeds" the capture generator with TRACE_FILE_SEED but draws nothing from it, and the
// stream belongs to one file operation, so nothing here needs a generator at all.

void CORUData::StoreTraceBody(ByteWriter& out) {
  std::lock_guard guard(fields_.dataMutex);
  out.Int32(fields_.traceCursor1);
  out.Int32(fields_.traceCursor2);
  out.Int32(fields_.traceMarker1);
  const int count = std::min(fields_.traceSamples.GetSize(), kTraceFileSamples);
  for (int i = 0; i < count; ++i) out.Int32(fields_.traceSamples[i]);
}

FileStatus CORUData::LoadTraceBody(ByteReader& in) {
  std::lock_guard guard(fields_.dataMutex);
  ClearTrace(TraceKind::Triggered);
  LONG cursor1 = 0, cursor2 = 0, marker1 = 0;
  if (!in.Int32(cursor1) || !in.Int32(cursor2) || !in.Int32(marker1)) {
    fields_.traceCursor1 = -1;
    fields_.traceCursor2 = -1;
    fields_.traceMarker1 = -1;
    return FileStatus::TraceFormatError;
  }
  fields_.traceCursor1 = cursor1;
  fields_.traceCursor2 = cursor2;
  fields_.traceMarker1 = marker1;
  // Always exactly 1000 samples: once the file ends, the last sample read repeats (0 if none).
  fields_.traceSamples.Reserve(kTraceFileSamples);
  LONG last = 0;
  for (int i = 0; i < kTraceFileSamples; ++i) {
    LONG sample = 0;
    if (in.Int32(sample)) last = sample;
    fields_.traceSamples.Add(last);
  }
  DropStaleIndexes();
  return FileStatus::Ok;
}
