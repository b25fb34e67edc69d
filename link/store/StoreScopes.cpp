#include "link/store/StoreScopes.h"

#include <utility>

void CaptureScope::Clear(bool keepStorage) {
  if (keepStorage) {
    fields_->captureBuffer.Clear();
    fields_->captureHeaders.Clear();
  } else {
    fields_->captureBuffer.RemoveAll();
    fields_->captureHeaders.RemoveAll();
  }
  fields_->currentRecordIndex = -1;
  fields_->cursorRecordIndex = -1;
  fields_->layoutDirty = 1;
  ++fields_->captureGeneration;
}

void TraceScope::Clear(TraceKind kind) {
  if (kind == TraceKind::Triggered) {
    fields_->traceSamples.RemoveAll();
  } else {
    fields_->traceBlockCount = 0;
  }
}

namespace {

template <typename Fields>
auto* FactorsOf(Fields& fields, int line) {
  decltype(&fields.calFactor1) factors = nullptr;
  if (line == 1) factors = &fields.calFactor1;
  if (line == 2) factors = &fields.calFactor2;
  if (line == 3) factors = &fields.calFactor3;
  return factors;
}

}  // namespace

CCalFactor* DataScope::calFactor(int line) { return FactorsOf(*fields_, line); }

const CCalFactor* DataScope::calFactor(int line) const { return FactorsOf(std::as_const(*fields_), line); }
