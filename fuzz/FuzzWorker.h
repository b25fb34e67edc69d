#pragma once

// The worker's parts for a fuzz target: a store and the transport with no instrument and no
// notification window, a document that is open, and an exit request that is already set, so that
// no wait inside a parser sleeps. Making a store costs more than most inputs take, so a target
// keeps one (Shared) and Fresh() puts back everything a reply parser writes.

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "link/protocol/CommTransport.h"
#include "link/protocol/DocumentState.h"
#include "link/protocol/LinkContext.h"
#include "link/protocol/WorkerSignals.h"
#include "platform/win32/Event.h"

namespace fuzzing {

// A broken rule ends the run with the rule's text, so that a crash report names it.
inline void Check(bool condition, const char* rule, int line) {
  if (condition) return;
  std::fprintf(stderr, "fuzz rule broken at line %d: %s\n", line, rule);
  std::abort();
}

}  // namespace fuzzing

#define Require(condition) ::fuzzing::Check((condition), #condition, __LINE__)

namespace fuzzing {

class OpenDocument final : public DocumentState {
 public:
  void SetTypeModified(bool modified, DocumentType documentType) override {
    (documentType == DocumentType::Capture ? capture : trace) = modified;
  }
  bool IsTypeModified(DocumentType documentType) const override {
    return documentType == DocumentType::Capture ? capture : trace;
  }
  bool IsDocumentOpen() const override { return open; }
  bool open = true;
  bool capture = false;
  bool trace = false;
};

struct FuzzWorker {
  FuzzWorker() {
    context.document = &document;
    context.commExitRequest = ExitRequestSet();
  }
  ~FuzzWorker() {
    context.document = nullptr;
    context.commExitRequest = nullptr;
  }
  FuzzWorker(const FuzzWorker&) = delete;
  FuzzWorker& operator=(const FuzzWorker&) = delete;

  // The one worker of the process, as a fresh one would be.
  static FuzzWorker& Shared() {
    static FuzzWorker* worker = new FuzzWorker;
    worker->Fresh();
    return *worker;
  }

  void Fresh() {
    store.Reset();
    store.WithCapture([](CaptureScope& capture) {
      capture.captureBuffer().RemoveAll();
      capture.captureHeaders().RemoveAll();
    });
    store.WithTrace([](TraceScope& trace) {
      trace.traceDirectory().fill(CORUTraceHeader());
      trace.currentTrace() = CORUTraceHeader();
    });
    store.WithData([](DataScope& data) {
      data.sessionDirectory().fill(CORUCaptureHeader());
      data.sysCfg() = CSysCfg();
      for (int line = 1; line <= 3; ++line) *data.calFactor(line) = CCalFactor();
    });
    store.firmwareNewA = store.firmwareNewB = 0;
    document.open = true;
    document.capture = document.trace = 0;
    SetReply({});
  }

  // Puts `bytes` where a reply read leaves them.
  void SetReply(std::string_view bytes) {
    transport.replyLength = static_cast<UCHAR>(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) transport.replyBuffer[i] = static_cast<UCHAR>(bytes[i]);
    transport.replyText.assign(bytes.substr(0, bytes.find('\0')));
  }

  static HANDLE ExitRequestSet() {
    static HANDLE request = CreateEvent(nullptr, TRUE, TRUE, nullptr);
    return request;
  }

  CORUData store;
  LinkContext context{store};
  OpenDocument document;
  WorkerSignals signals{context};
  CommTransport transport{context, signals};
};

}  // namespace fuzzing
