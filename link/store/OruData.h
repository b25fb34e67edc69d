#pragma once

// The one shared store: everything the worker learns from the instrument and everything the
// windows show. The worker and the user-interface thread both use it:
//  - dataMutex (recursive) guards the capture, the trace, the directories, the configuration and
//    the calibration (StoreFields); a file save or load holds it throughout. Windows reach them
//    only inside WithCapture, WithTrace or WithData, or a HoldCapture/HoldTrace/HoldData guard,
//    each of which hands out a scope of its part (StoreScopes.h); link/ reaches them through
//    LinkAccess.h.
//  - traceBufferMutex1/2 guard the two stream intake buffers; whoever needs a buffer lock and
//    dataMutex takes the buffer lock first and releases dataMutex first (StreamBufferLock).
//  - single words written by both threads are atomics; shared texts are SharedText (copy-out);
//    both stay public, as does the run state (Run, ExchangeRun).

#include <array>
#include <atomic>
#include <mutex>
#include <utility>

#include "link/store/DocumentType.h"
#include "link/store/FileStatus.h"
#include "link/store/SharedText.h"
#include "link/store/StoreFields.h"
#include "link/store/StoreScopes.h"

class ByteReader;
class ByteWriter;

class CORUData {
 public:
  static constexpr int kStreamBufferSize = 2560;
  static constexpr int kTraceBlockSize = StoreFields::kTraceBlockSize;
  static constexpr int kTraceBlockCapacity = StoreFields::kTraceBlockCapacity;
  static constexpr int kSessionSlots = StoreFields::kSessionSlots;
  static constexpr int kTraceSlots = StoreFields::kTraceSlots;
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

  // CaptureScope::Clear and TraceScope::Clear under the lock of their own.
  void ClearCapture(bool keepStorage = false);
  void ClearTrace(TraceKind kind);

  // The guarded data for the length of `use`, which gets the scope of one part and whatever it
  // returns comes back: the capture, the trace or the rest. Through a const store, or with a
  // `use` that takes a const scope, the data is read-only.
  template <typename Use>
  decltype(auto) WithCapture(Use&& use) {
    return Locked<CaptureScope>(std::forward<Use>(use));
  }
  template <typename Use>
  decltype(auto) WithCapture(Use&& use) const {
    return Locked<const CaptureScope>(std::forward<Use>(use));
  }
  template <typename Use>
  decltype(auto) WithTrace(Use&& use) {
    return Locked<TraceScope>(std::forward<Use>(use));
  }
  template <typename Use>
  decltype(auto) WithTrace(Use&& use) const {
    return Locked<const TraceScope>(std::forward<Use>(use));
  }
  template <typename Use>
  decltype(auto) WithData(Use&& use) {
    return Locked<DataScope>(std::forward<Use>(use));
  }
  template <typename Use>
  decltype(auto) WithData(Use&& use) const {
    return Locked<const DataScope>(std::forward<Use>(use));
  }

  // The same scopes for code that reads across several calls of its own (laying out, painting,
  // printing) or lets go of the lock and takes it again: dataMutex for the life of the guard.
  HeldScope<CaptureScope> HoldCapture() { return Hold<CaptureScope>(); }
  HeldScope<const CaptureScope> HoldCapture() const { return Hold<const CaptureScope>(); }
  HeldScope<TraceScope> HoldTrace() { return Hold<TraceScope>(); }
  HeldScope<const TraceScope> HoldTrace() const { return Hold<const TraceScope>(); }
  HeldScope<DataScope> HoldData() { return Hold<DataScope>(); }
  HeldScope<const DataScope> HoldData() const { return Hold<const DataScope>(); }

  // What is armed and running now; a snapshot that any thread may take without the lock.
  RunState Run() const { return Fields().run.load(); }

  // The one way to change the run state: `change` edits it under dataMutex and the state before
  // comes back, so "was it on? then announce its end" happens in exactly one caller.
  template <typename Change>
  RunState ExchangeRun(Change&& change) {
    StoreFields& fields = Fields();
    std::lock_guard guard(fields.dataMutex);
    RunState state = fields.run.load();
    const RunState before = state;
    change(state);
    if (before.capture == CaptureRun::Idle && state.capture != CaptureRun::Idle) ++state.captureNumber;
    fields.run.store(state);
    return before;
  }

  // The two stream intake buffers (index 0 or 1) and their locks; they live as long as the store.
  std::mutex& TraceBufferMutex(int index);
  UCHAR* StreamBuffer(int index);

  // Words and texts that need no lock.
  std::atomic<int> firmwareNewA{0};
  std::atomic<int> firmwareNewB{0};
  std::atomic<int> resyncPending{0};
  std::atomic<int> selectedLine{0};
  std::atomic<int> acUnit{0};  // 0 Vp-p, 1 dBm
  std::atomic<int> endOfCaptureCode{0};
  SharedText downloadFilePath;
  SharedText dtmfDigits;
  SharedText statusText;
  SharedText modeText;
  SharedText lineStatusText;
  SharedText acValueText;
  SharedText dcValueText;
  SharedTextList replyLines;
  // The stream buffers' locks, for TraceBufferMutex and StreamBufferLock.
  std::mutex traceBufferMutex1;
  std::mutex traceBufferMutex2;

 private:
  friend class LinkAccess;

  StoreFields& Fields() { return fields_; }
  const StoreFields& Fields() const { return fields_; }

  template <typename Scope, typename Use>
  decltype(auto) Locked(Use&& use) const {
    StoreFields& fields = const_cast<StoreFields&>(Fields());
    std::lock_guard guard(fields.dataMutex);
    Scope scope(fields);
    return use(scope);
  }
  template <typename Scope>
  HeldScope<Scope> Hold() const {
    return HeldScope<Scope>(Fields().dataMutex, const_cast<StoreFields&>(Fields()));
  }

  void StoreCaptureBody(ByteWriter& out);
  FileStatus LoadCaptureBody(ByteReader& in);
  void StoreTraceBody(ByteWriter& out);
  FileStatus LoadTraceBody(ByteReader& in);

  StoreFields fields_;
  std::array<std::array<UCHAR, kStreamBufferSize>, 2> streamBuffers{};
};

// Holds one stream buffer's lock, then dataMutex, and hands out the trace: the order every user
// takes them in. Members are destroyed in reverse, so dataMutex is released first.
class StreamBufferLock {
 public:
  StreamBufferLock(CORUData& store, int bufferIndex)
      : bufferLock(store.TraceBufferMutex(bufferIndex)), trace(store.HoldTrace()) {}

  TraceScope& operator*() { return *trace; }
  TraceScope* operator->() { return &*trace; }

 private:
  std::unique_lock<std::mutex> bufferLock;
  HeldScope<TraceScope> trace;
};
