#include "trace/model/TraceIntake.h"

#include <cstring>

#include "link/store/OruData.h"

IntakeResult TakeTraceBlock(CORUData& store, const unsigned char* buffer, int index) {
  if (index != 0 && index != 1) return IntakeResult::Ignored;
  const UCHAR* data = buffer;
  // Only the store's own buffer of that index is read: any other address is not ours to copy.
  if (data == nullptr || data != store.StreamBuffer(index)) return IntakeResult::Ignored;

  StreamBufferLock trace(store, index);
  auto& blocks = trace->traceBlocks();
  const int count = trace->traceBlockCount();
  if (count < 0 || count >= CORUData::kTraceBlockCapacity || static_cast<size_t>(count) >= blocks.size()) {
    return IntakeResult::Dropped;
  }
  std::memcpy(blocks[static_cast<size_t>(count)].data(), data, CORUData::kTraceBlockSize);
  trace->traceBlockCount() = count + 1;
  if (count + 1 < CORUData::kTraceBlockCapacity) return IntakeResult::Stored;
  store.statusText.Set("Aborting signal trace");
  return IntakeResult::StoredAndFull;
}
