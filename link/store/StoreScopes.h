#pragma once

// The views of the store that CORUData::WithCapture, WithTrace and WithData hand out while they
// hold dataMutex, and the held form (HoldCapture, ...) that keeps the lock across calls. Each
// scope names only its part of the guarded data. Scopes are made by the store alone and cannot
// be copied, so none outlives its lock by accident; a const scope gives const references only,
// so a reader that takes `const CaptureScope&` cannot change what it reads.

#include <mutex>

#include "link/store/StoreFields.h"

// The two traces the store holds: the triggered one (samples, saved in files) and the streamed one
// (blocks of the live signal trace).
enum class TraceKind { Triggered, Streamed };

class CORUData;
template <typename Scope>
class HeldScope;

// Declares a field's accessor pair: the reference, const through a const scope.
#define STORE_SCOPE_FIELD(name)          \
  auto& name() { return fields_->name; } \
  const auto& name() const { return fields_->name; }

// What every scope has: the run state, which holds still while the lock is held (it changes only
// under dataMutex).
class StoreScope {
 public:
  StoreScope(const StoreScope&) = delete;
  StoreScope& operator=(const StoreScope&) = delete;

  RunState Run() const { return fields_->run.load(); }

 protected:
  explicit StoreScope(StoreFields& fields) : fields_(&fields) {}
  ~StoreScope() = default;

  StoreFields* fields_;
};

// The capture: records, events, the indexes into them (marker, cursor byte and its event), the
// display words saved with it and the de-stuffers its replay runs through; the configuration it
// was taken with, read-only.
class CaptureScope : public StoreScope {
 public:
  STORE_SCOPE_FIELD(captureBuffer)
  STORE_SCOPE_FIELD(captureHeaders)
  STORE_SCOPE_FIELD(currentRecordIndex)
  STORE_SCOPE_FIELD(cursorRecordIndex)
  STORE_SCOPE_FIELD(cursorEventIndex)
  STORE_SCOPE_FIELD(highlightParityBit)
  STORE_SCOPE_FIELD(highlightParityErrors)
  STORE_SCOPE_FIELD(showModemEvents)
  STORE_SCOPE_FIELD(layoutDirty)
  STORE_SCOPE_FIELD(hdlcState)
  STORE_SCOPE_FIELD(hdlcProcessor1)
  STORE_SCOPE_FIELD(hdlcProcessor2)
  // Moves on whenever the capture is emptied or loaded; only Clear moves it.
  unsigned captureGeneration() const { return fields_->captureGeneration.load(); }
  const CSysCfg& sysCfg() const { return fields_->sysCfg; }

  // The one way to empty the capture: both arrays, the marked and cursor records -1, the layout
  // due again and the generation moved on, so that a step that let go of the lock meanwhile knows
  // its view of the capture is gone. `keepStorage` keeps the memory for a refill of similar size.
  void Clear(bool keepStorage = false);

 private:
  friend class CORUData;
  template <typename>
  friend class HeldScope;
  explicit CaptureScope(StoreFields& fields) : StoreScope(fields) {}
};

// The trace: samples, stream blocks and their count, markers and cursors, the settings of the
// trace on screen and the instrument's trace directory; the configuration (scale factors),
// read-only.
class TraceScope : public StoreScope {
 public:
  STORE_SCOPE_FIELD(traceSamples)
  STORE_SCOPE_FIELD(traceBlocks)
  STORE_SCOPE_FIELD(traceBlockCount)
  STORE_SCOPE_FIELD(traceMarker1)
  STORE_SCOPE_FIELD(traceMarker2)
  STORE_SCOPE_FIELD(traceCursor1)
  STORE_SCOPE_FIELD(traceCursor2)
  STORE_SCOPE_FIELD(currentTrace)
  STORE_SCOPE_FIELD(traceDirectory)
  const CSysCfg& sysCfg() const { return fields_->sysCfg; }

  // The one way to empty a trace: the triggered one loses its samples, the streamed one its
  // blocks; the other kind is left alone.
  void Clear(TraceKind kind);

 private:
  friend class CORUData;
  template <typename>
  friend class HeldScope;
  explicit TraceScope(StoreFields& fields) : StoreScope(fields) {}
};

// The rest: the capture configuration, the calibration factors and the instrument's session
// directory.
class DataScope : public StoreScope {
 public:
  STORE_SCOPE_FIELD(sysCfg)
  STORE_SCOPE_FIELD(sessionDirectory)
  // The factors of measuring line 1..3; null for any other line.
  CCalFactor* calFactor(int line);
  const CCalFactor* calFactor(int line) const;

 private:
  friend class CORUData;
  template <typename>
  friend class HeldScope;
  explicit DataScope(StoreFields& fields) : StoreScope(fields) {}
};

#undef STORE_SCOPE_FIELD

// dataMutex for the life of the guard, and the scope it guards: for code that reads across
// several calls of its own (laying out, painting, printing). `Scope` const gives a read-only scope.
template <typename Scope>
class [[nodiscard]] HeldScope {
 public:
  HeldScope(const HeldScope&) = delete;
  HeldScope& operator=(const HeldScope&) = delete;

  Scope& operator*() { return scope_; }
  const Scope& operator*() const { return scope_; }
  Scope* operator->() { return &scope_; }
  const Scope* operator->() const { return &scope_; }
  Scope& get() { return scope_; }
  const Scope& get() const { return scope_; }

  // For a step that lets the other thread in meanwhile (the capture decoder builds its records
  // without the lock): the scope is not to be used until lock() again.
  void unlock() { lock_.unlock(); }
  void lock() { lock_.lock(); }

 private:
  friend class CORUData;
  HeldScope(std::recursive_mutex& mutex, StoreFields& fields) : lock_(mutex), scope_(fields) {}

  std::unique_lock<std::recursive_mutex> lock_;
  Scope scope_;
};
