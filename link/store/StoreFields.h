#pragma once

// What dataMutex guards in the store, with the lock itself: the capture (records, events and the
// indexes and display words that go with them, the de-stuffers its replay runs through), the
// trace (samples, blocks, markers, settings, directory) and the rest (configuration, calibration,
// the session directory). CORUData holds one privately: windows reach it through the scopes of
// StoreScopes.h, link/ through LinkAccess.h.

#include <array>
#include <atomic>
#include <mutex>
#include <vector>

#include "link/store/CArray.h"
#include "link/store/CaptBuf.h"
#include "link/store/CaptureHeader.h"
#include "link/store/HdlcProcessor.h"
#include "link/store/RunState.h"
#include "link/store/SmallRecords.h"
#include "link/store/SysCfg.h"
#include "link/store/TraceHeader.h"

// Eight bytes, so that the store's atomic copy of it needs no lock of its own.
static_assert(std::atomic<RunState>::is_always_lock_free);

struct StoreFields {
  static constexpr int kTraceBlockSize = 128;
  static constexpr int kTraceBlockCapacity = 1000;
  static constexpr int kSessionSlots = 9;
  static constexpr int kTraceSlots = 3;
  using TraceBlock = std::array<UCHAR, kTraceBlockSize>;

  mutable std::recursive_mutex dataMutex;
  // Changed only under dataMutex (CORUData::ExchangeRun); read by any thread without it.
  std::atomic<RunState> run{};

  // The capture.
  CCaptBufArray captureBuffer;
  CCaptureHeaderArray captureHeaders;
  std::atomic<int> cursorRecordIndex{-1};
  std::atomic<int> cursorEventIndex{-1};
  std::atomic<int> currentRecordIndex{-1};
  std::atomic<int> highlightParityBit{0};
  std::atomic<int> highlightParityErrors{0};
  std::atomic<int> showModemEvents{0};
  std::atomic<int> layoutDirty{0};
  std::atomic<unsigned> captureGeneration{0};  // moves on whenever the capture is emptied or loaded
  std::atomic<int> hdlcState{1};               // modem-event pairing: 1 = next event byte opens a pair
  CHDLCProcessor hdlcProcessor1;               // Answer direction
  CHDLCProcessor hdlcProcessor2;               // Originate direction

  // The trace.
  CArray<int, int> traceSamples;
  std::vector<TraceBlock> traceBlocks = std::vector<TraceBlock>(kTraceBlockCapacity);
  std::atomic<int> traceBlockCount{0};  // blocks held in traceBlocks, 0..1000
  std::atomic<int> traceMarker1{-1};
  std::atomic<int> traceMarker2{-1};
  std::atomic<int> traceCursor1{-1};  // marker x and y in pixels
  std::atomic<int> traceCursor2{-1};
  CORUTraceHeader currentTrace;
  std::array<CORUTraceHeader, kTraceSlots> traceDirectory;

  // The rest.
  CSysCfg sysCfg;
  CCalFactor calFactor1;
  CCalFactor calFactor2;
  CCalFactor calFactor3;
  std::array<CORUCaptureHeader, kSessionSlots> sessionDirectory;
};
