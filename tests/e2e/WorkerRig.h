#pragma once

// The whole stack for the worker's end-to-end tests: a machine with the ORUpc driver installed,
// simulated instruments to plug in and out, the data store and the shared context, a stand-in for
// the main frame (it records the worker's notifications and, on its own thread, opens the device
// on arrival and closes it on removal as the real one does), and the worker thread itself.
// Tear-down stops the worker, and expects the machine's IRP and pool checks to be clean.

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/worker/CommThread.h"
#include "link/protocol/DocumentState.h"
#include "link/protocol/LinkContext.h"
#include "link/protocol/WorkerMessages.h"
#include "platform/machine/Machine.h"
#include "platform/win32/DeviceNotification.h"
#include "platform/win32/RecordingWindowTarget.h"
#include "platform/win32/Win32.h"
#include "sim/Instrument.h"
#include "sim/ScenarioParser.h"

namespace e2e {

// Only a hang comes near this. An unplug in the middle of a command sequence leaves the worker
// running out its reply time-outs before the replug's arrival is seen, and under a full parallel
// load (or ThreadSanitizer's slowdown) that took longer than 20 s.
constexpr DWORD kHangMs = 60000;

class OpenDocument final : public DocumentState {
 public:
  void SetTypeModified(bool modified, DocumentType documentType) override {
    (documentType == DocumentType::Capture ? captureModified : traceModified) = modified;
  }
  bool IsTypeModified(DocumentType documentType) const override {
    return documentType == DocumentType::Capture ? captureModified : traceModified;
  }
  bool IsDocumentOpen() const override { return true; }
  std::atomic<bool> captureModified{false};
  std::atomic<bool> traceModified{false};
};

// The main frame's device handling: arrival opens the device (when no handle is open) and posts
// WM_ORU_DEVICE_CONNECTED; query-remove and remove-complete close it. With `stopsActivities` it
// also does at once what the frame's state synchronisation does on a loss: it takes the run flags
// and asks the worker to stop what it found running.
class FrameStandIn final : public win32::WindowTarget {
 public:
  explicit FrameStandIn(LinkContext& context, bool stopsActivities = false);
  ~FrameStandIn() override;
  void OnPostedMessage(const MSG& message) override;

  int arrivals() const;
  int removals() const;
  // What a removal does (the handle closed, and the stops when the stand-in makes them), here and
  // now: a frame that heard of the removal before the driver failed the worker's requests.
  void LoseDevice();

 private:
  void UiThread();

  LinkContext& context_;
  const bool stopsActivities_;
  HWND hwnd_ = nullptr;
  HDEVNOTIFY registration_ = nullptr;
  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::deque<WPARAM> events_;
  bool stopping_ = false;
  int arrivals_ = 0;
  int removals_ = 0;
  std::thread thread_;
};

// Instrument options for deterministic runs: the instrument's clock moves `stepMs` at every
// command, the lines are idle and the memory is empty.
sim::InstrumentOptions PerCommandOptions(int stepMs);
sim::Scenario Scenario(const std::string& text);

class WorkerRig : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Plugs a new instrument in; returns its port.
  int Plug(sim::InstrumentOptions options = PerCommandOptions(100));
  sim::Instrument& Instrument() { return *instruments_.back(); }
  void Unplug(int port) { machine_->unplug(port); }

  // Plugs an instrument, registers the frame, starts the worker and connects the notifications;
  // the recorded notifications start empty. Returns the port.
  int StartConnected(sim::InstrumentOptions options = PerCommandOptions(100));
  // Registers the frame stand-in (arrivals from now on reach it).
  void StartFrame();
  // Starts the worker and waits for its id.
  void StartWorker();
  // WM_ORU_SET_NOTIFY_WINDOW with the recording target; waits for the feature notifications.
  void ConnectNotifications();
  void Post(UINT id, WPARAM wParam = 0, LPARAM lParam = 0);
  // Stops the worker (the stop handshake) and waits for its thread.
  bool StopWorker();

  // Waits until `condition` holds (false only after kHangMs).
  template <class Condition>
  bool Eventually(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangMs);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

  // Commands and vendor requests the instrument saw, in order: commands as their text, vendor
  // requests as "V1", "V4", "V5".
  std::vector<std::string> Traffic(sim::Instrument& instrument) const;
  std::vector<std::string> Commands(sim::Instrument& instrument) const { return instrument.transcript().commands(); }

  // How many commands the newest instrument has seen, and those from index `from` on.
  std::size_t CommandCount() { return Commands(Instrument()).size(); }
  std::vector<std::string> CommandsSince(std::size_t from);

  CCaptBuf Record(int index);
  CORUCaptureHeader Header(int index);
  int Records();
  int Headers();

  WorkerClock clock = WorkerClock::System();  // the PC clock the worker reads
  CORUData store;
  LinkContext context{store};
  OpenDocument document;
  win32::RecordingWindowTarget notes;
  std::unique_ptr<platform::Machine> machine_;
  std::unique_ptr<win32::DeviceSystemAttachment> attached_;
  std::deque<std::unique_ptr<sim::Instrument>> instruments_;
  std::unique_ptr<FrameStandIn> frame_;
  bool frameStopsActivities = false;  // set before StartFrame
  std::unique_ptr<CORUCommThread> worker_;
};

}  // namespace e2e
