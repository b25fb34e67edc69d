#pragma once

// The one shared store: everything the worker learns from the instrument and everything the
// windows show. The worker and the user-interface thread both use it:
//  - dataMutex (recursive) guards the capture arrays, the trace samples and blocks, the
//    directories and the configuration record; a file save or load holds it throughout.
//  - traceBufferMutex1/2 guard the two stream intake buffers; whoever needs a buffer lock and
//    dataMutex takes the buffer lock first and releases dataMutex first (StreamBufferLock).
//  - single words written by both threads are atomics; shared texts are SharedText (copy-out).

#include <array>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

#include "link/store/CArray.h"
#include "link/store/CaptBuf.h"
#include "link/store/CaptureHeader.h"
#include "link/store/DocumentType.h"
#include "link/store/FileStatus.h"
#include "link/store/HdlcProcessor.h"
#include "link/store/RunState.h"
#include "link/store/SharedText.h"
#include "link/store/SmallRecords.h"
#include "link/store/SysCfg.h"
#include "link/store/TraceHeader.h"

// The two traces the store holds: the triggered one (samples, saved in files) and the streamed one
// (blocks of the live signal trace).
enum class TraceKind { Triggered, Streamed };

class ByteReader;
class ByteWriter;

class CORUData {
 public:
  static constexpr int kStreamBufferSize = 2560;
  static constexpr int kTraceBlockSize = 128;
  static constexpr int kTraceBlockCapacity = 1000;
  static constexpr int kSessionSlots = 9;
  static constexpr int kTraceSlots = 3;
  static constexpr int kTraceFileSamples = 1000;
  static constexpr const char* kIdleStatusText = "ANS/ORG Onhook";

  CORUData();
  CORUData(const CORUData&) = delete;
  CORUData& operator=(const CORUData&) = delete;

  // Back to the idle state; the capture arrays, directories, configuration, calibration, trace
  // blocks, resyncPending, layoutDirty, selectedLine and firmware flags are left alone.
  void Reset();

  // The store's part of a file: DocumentType::Trace selects the trace body, any other type the capture
  // body. Both take dataMutex themselves (it is recursive, so a caller may hold it already).
  void StoreBody(ByteWriter& out, DocumentType documentType);
  FileStatus LoadBody(ByteReader& in, DocumentType documentType);

  // Indexes into the capture and the trace that no longer name an element become -1.
  void DropStaleIndexes();

  // The one way to empty the capture: under dataMutex both arrays become empty, the marked and
  // cursor records -1, the layout is due again and captureGeneration moves on, so that a worker
  // step that let go of the lock meanwhile knows its view of the capture is gone. `keepStorage`
  // keeps the arrays' memory for a refill of similar size (a file load).
  void ClearCapture(bool keepStorage = false);

  // The one way to empty a trace: under dataMutex the triggered (saved, recalled) trace loses its
  // samples, or the streamed one its blocks, and traceGeneration moves on so that a view drawn
  // from the old data knows it is gone. The other kind is left alone.
  void ClearTrace(TraceKind kind);

  // The data behind dataMutex for the length of `use`, which gets the store and whatever it
  // returns comes back: the capture (arrays, events, the indexes into them), the trace (samples,
  // blocks, directory, current settings) or the rest (directories, configuration, files).
  template <typename Use>
  decltype(auto) WithCapture(Use&& use) {
    return Locked(std::forward<Use>(use));
  }
  template <typename Use>
  decltype(auto) WithTrace(Use&& use) {
    return Locked(std::forward<Use>(use));
  }
  template <typename Use>
  decltype(auto) WithData(Use&& use) {
    return Locked(std::forward<Use>(use));
  }

  // For code that reads the data across several calls of its own (laying out, painting,
  // printing): dataMutex for the life of the guard.
  [[nodiscard]] std::unique_lock<std::recursive_mutex> HoldData() const { return std::unique_lock(dataMutex); }

  // What is armed and running now; a snapshot that any thread may take without the lock.
  RunState Run() const { return run_.load(); }

  // The one way to change the run state: `change` edits it under dataMutex and the state before
  // comes back, so "was it on? then announce its end" happens in exactly one caller.
  template <typename Change>
  RunState ExchangeRun(Change&& change) {
    std::lock_guard guard(dataMutex);
    RunState state = run_.load();
    const RunState before = state;
    change(state);
    if (before.capture == CaptureRun::Idle && state.capture != CaptureRun::Idle) ++state.captureNumber;
    run_.store(state);
    return before;
  }

  // The two stream intake buffers (index 0 or 1) and their locks; they live as long as the store.
  std::mutex& TraceBufferMutex(int index);
  UCHAR* StreamBuffer(int index);

  std::atomic<int> firmwareNewA{0};
  std::atomic<int> firmwareNewB{0};
  std::atomic<int> hdlcState{1};  // modem-event pairing: 1 = next event byte opens a pair
  CHDLCProcessor hdlcProcessor1;  // Answer direction
  CHDLCProcessor hdlcProcessor2;  // Originate direction
  std::atomic<int> traceMarker1{-1};
  std::atomic<int> traceMarker2{-1};
  SharedText downloadFilePath;
  SharedText dtmfDigits;
  CCalFactor calFactor1;
  CCalFactor calFactor2;
  CCalFactor calFactor3;
  mutable std::recursive_mutex dataMutex;
  std::mutex traceBufferMutex1;
  std::mutex traceBufferMutex2;
  std::atomic<int> resyncPending{0};
  std::atomic<int> layoutDirty{0};
  std::atomic<unsigned> captureGeneration{0};  // moves on whenever the capture is emptied or loaded
  std::atomic<unsigned> traceGeneration{0};    // moves on whenever a trace is emptied
  SharedText statusText;
  SharedText modeText;
  SharedText lineStatusText;
  SharedText acValueText;
  SharedText dcValueText;
  CSysCfg sysCfg;
  SharedTextList replyLines;
  CCaptBufArray captureBuffer;
  CCaptureHeaderArray captureHeaders;
  CArray<int, int> traceSamples;
  std::array<CORUCaptureHeader, kSessionSlots> sessionDirectory;
  std::array<CORUTraceHeader, kTraceSlots> traceDirectory;
  CORUTraceHeader currentTrace;
  std::atomic<int> acUnit{0};  // 0 Vp-p, 1 dBm
  std::atomic<int> endOfCaptureCode{0};
  std::atomic<int> cursorRecordIndex{-1};
  std::atomic<int> cursorEventIndex{-1};
  std::atomic<int> selectedLine{0};
  std::atomic<int> currentRecordIndex{-1};
  std::atomic<int> traceCursor1{-1};  // marker x and y in pixels
  std::atomic<int> traceCursor2{-1};
  std::atomic<int> highlightParityBit{0};
  std::atomic<int> highlightParityErrors{0};
  std::atomic<int> showModemEvents{0};
  std::atomic<int> traceBlockCount{0};  // blocks held in traceBlocks, 0..1000
  std::atomic<int> word1096{0};
  std::vector<std::array<UCHAR, kTraceBlockSize>> traceBlocks;  // kTraceBlockCapacity blocks

 private:
  template <typename Use>
  decltype(auto) Locked(Use&& use) {
    std::lock_guard guard(dataMutex);
    return use(*this);
  }

  void StoreCaptureBody(ByteWriter& out);
  FileStatus LoadCaptureBody(ByteReader& in);
  void StoreTraceBody(ByteWriter& out);
  FileStatus LoadTraceBody(ByteReader& in);

  std::array<std::array<UCHAR, kStreamBufferSize>, 2> streamBuffers{};
  std::atomic<RunState> run_{};
};

// Holds one stream buffer's lock, then dataMutex: the order every user takes them in. Members are
// destroyed in reverse, so dataMutex is released first.
static_assert(std::atomic<RunState>::is_always_lock_free);

class StreamBufferLock {
 public:
  StreamBufferLock(CORUData& store, int bufferIndex)
      : bufferLock(store.TraceBufferMutex(bufferIndex)), dataLock(store.dataMutex) {}

 private:
  std::unique_lock<std::mutex> bufferLock;
  std::unique_lock<std::recursive_mutex> dataLock;
};
