#pragma once

// The stream intake: one 2051 notification hands over one of the worker's two stream buffers.
// The first 128 bytes of each go into traceBlocks, up to 1000 blocks.

class CORUData;

enum class IntakeResult {
  Ignored,  // no buffer, or not one of the store's two
  Stored,
  StoredAndFull,  // the 1000th block: the stream is to be stopped
  Dropped,        // already full
};

// `buffer`: the stream buffer's address (CORUData::StreamBuffer(index)); `index`: 0 or 1.
// Copies under StreamBufferLock. On StoredAndFull the status reads "Aborting signal trace";
// the caller posts the stop and ends its timer.
IntakeResult TakeTraceBlock(CORUData& store, const unsigned char* buffer, int index);
