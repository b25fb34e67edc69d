#pragma once

// The worker's parts on the test's own thread, with no instrument: a store, the shared context, a
// recording notification target, a document that counts its modified flags, and a clock the test
// sets.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "link/worker/CaptureSession.h"
#include "link/protocol/CommTransport.h"
#include "link/protocol/ConfigCommands.h"
#include "link/protocol/LinkContext.h"
#include "link/worker/RequestQueue.h"
#include "link/protocol/WorkerClock.h"
#include "link/protocol/WorkerMessages.h"
#include "link/protocol/WorkerSignals.h"
#include "platform/win32/RecordingWindowTarget.h"

namespace linktest {

class CountingDocument final : public DocumentState {
 public:
  void SetTypeModified(bool modified, DocumentType documentType) override {
    (documentType == DocumentType::Capture ? captureModified : traceModified) = modified;
    ++changes;
  }
  bool IsTypeModified(DocumentType documentType) const override {
    return documentType == DocumentType::Capture ? captureModified : traceModified;
  }
  bool IsDocumentOpen() const override { return open; }

  std::atomic<bool> open{true};
  std::atomic<bool> captureModified{false};
  std::atomic<bool> traceModified{false};
  std::atomic<int> changes{0};
};

// A clock that stands still until the test moves it.
struct SteppedClock {
  std::shared_ptr<std::atomic<LONGLONG>> seconds = std::make_shared<std::atomic<LONGLONG>>(100000);
  SYSTEMTIME local{2024, 3, 2, 5, 7, 8, 9, 0};  // Tuesday 5 March 2024, 07:08:09

  WorkerClock Clock() const {
    WorkerClock clock;
    auto counter = seconds;
    clock.seconds = [counter] { return counter->load(); };
    clock.localTime = [time = local] { return time; };
    return clock;
  }
  void Advance(LONGLONG by) { *seconds += by; }
};

// Reply bytes of a binary capture line: "ca#", the count, then 4 bytes per record.
struct BinaryRecord {
  UCHAR data;
  UCHAR flags;
  USHORT time;
};
inline std::string BinaryLine(const std::vector<BinaryRecord>& records) {
  std::string line = "ca#";
  line.push_back(static_cast<char>(records.size()));
  for (const BinaryRecord& r : records) {
    line.push_back(static_cast<char>(r.data));
    line.push_back(static_cast<char>(r.flags));
    line.push_back(static_cast<char>(r.time >> 8));
    line.push_back(static_cast<char>(r.time & 0xFF));
  }
  return line;
}

struct DevicelessWorker {
  DevicelessWorker() {
    context.document = &document;
    transport.notifyWindow = target.Handle();
  }
  ~DevicelessWorker() { context.document = nullptr; }

  // Empties this thread's queue.
  void DrainQueue() {
    MSG message{};
    while (queue.Take(message)) {
    }
  }

  CORUData store;
  LinkContext context{store};
  CountingDocument document;
  win32::RecordingWindowTarget target;
  SteppedClock clock;
  WorkerSignals signals{context};
  CommTransport transport{context, signals};
  RequestQueue queue{transport};
  ConfigCommands config{transport};
  CaptureSession capture{transport, queue, config, clock.Clock()};
};

}  // namespace linktest
