#include "WorkerRig.h"

#include <algorithm>

#include "driver/OruInterface.h"
#include "driver/install/OruDriverStore.h"
#include "link/worker/DeviceLoss.h"
#include "link/protocol/InstrumentDevice.h"
#include "link/store/LinkAccess.h"

namespace e2e {

FrameStandIn::FrameStandIn(LinkContext& context, bool stopsActivities)
    : context_(context), stopsActivities_(stopsActivities) {
  hwnd_ = win32::RegisterWindowTarget(*this);
  thread_ = std::thread([this] { UiThread(); });
  DEV_BROADCAST_DEVICEINTERFACE filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = oru::GUID_DEVINTERFACE_ORU;
  registration_ = RegisterDeviceNotification(hwnd_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  EXPECT_NE(registration_, nullptr);
}

FrameStandIn::~FrameStandIn() {
  if (registration_ != nullptr) UnregisterDeviceNotification(registration_);
  win32::UnregisterWindowTarget(hwnd_);
  {
    std::lock_guard guard(lock_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void FrameStandIn::OnPostedMessage(const MSG& message) {
  if (message.message != WM_DEVICECHANGE) return;
  {
    std::lock_guard guard(lock_);
    events_.push_back(message.wParam);
  }
  wake_.notify_all();
}

int FrameStandIn::arrivals() const {
  std::lock_guard guard(lock_);
  return arrivals_;
}

int FrameStandIn::removals() const {
  std::lock_guard guard(lock_);
  return removals_;
}

void FrameStandIn::LoseDevice() {
  HANDLE device = context_.deviceHandle.exchange(INVALID_HANDLE_VALUE);
  if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
  if (stopsActivities_) StopLostDeviceActivities(context_);
}

void FrameStandIn::UiThread() {
  for (;;) {
    WPARAM event;
    {
      std::unique_lock guard(lock_);
      wake_.wait(guard, [this] { return stopping_ || !events_.empty(); });
      if (events_.empty()) return;
      event = events_.front();
      events_.pop_front();
    }
    if (event == DBT_DEVICEARRIVAL && !context_.DeviceOpen()) {
      HANDLE device = OpenInstrument();
      HANDLE none = INVALID_HANDLE_VALUE;
      if (device != INVALID_HANDLE_VALUE) {
        if (context_.deviceHandle.compare_exchange_strong(none, device)) {
          if (DWORD worker = context_.commThreadId) PostThreadMessage(worker, WM_ORU_DEVICE_CONNECTED, 0, 0);
        } else {
          CloseHandle(device);
        }
      }
      std::lock_guard guard(lock_);
      ++arrivals_;
    } else if (event == DBT_DEVICEQUERYREMOVE || event == DBT_DEVICEREMOVECOMPLETE) {
      LoseDevice();
      std::lock_guard guard(lock_);
      ++removals_;
    }
  }
}

sim::InstrumentOptions PerCommandOptions(int stepMs) {
  sim::InstrumentOptions options;
  options.clock.mode = sim::TimeMode::PerCommand;
  options.clock.perCommand = sim::millis(stepMs);
  options.prefillMemory = false;
  return options;
}

sim::Scenario Scenario(const std::string& text) {
  sim::ParsedScenario parsed = sim::parseScenario(text);
  EXPECT_TRUE(parsed.ok()) << parsed.error;
  return parsed.scenario;
}

void WorkerRig::SetUp() {
  platform::MachineOptions options;
  machine_ = std::make_unique<platform::Machine>(options);
  oru::InstallDriver(*machine_);
  attached_ = std::make_unique<win32::DeviceSystemAttachment>(machine_->kernel());
  context.document = &document;
  CreateCommExitEvents(context);
}

void WorkerRig::TearDown() {
  if (worker_) {
    EXPECT_TRUE(StopWorker());
  }
  frame_.reset();
  if (HANDLE device = context.deviceHandle.exchange(INVALID_HANDLE_VALUE); device != INVALID_HANDLE_VALUE) {
    CloseHandle(device);
  }
  CloseCommExitEvents(context);
  context.document = nullptr;
  attached_.reset();
  std::vector<nt::VerifierRecord> records = machine_->shutdown();
  EXPECT_TRUE(records.empty()) << machine_->verifier().report();
  machine_.reset();
  instruments_.clear();
}

int WorkerRig::Plug(sim::InstrumentOptions options) {
  instruments_.push_back(std::make_unique<sim::Instrument>(std::move(options)));
  const int port = machine_->plug(*instruments_.back());
  EXPECT_NE(port, 0);
  return port;
}

void WorkerRig::StartFrame() { frame_ = std::make_unique<FrameStandIn>(context, frameStopsActivities); }

int WorkerRig::StartConnected(sim::InstrumentOptions options) {
  const int port = Plug(std::move(options));
  StartFrame();
  StartWorker();
  ConnectNotifications();
  notes.Clear();
  return port;
}

std::vector<std::string> WorkerRig::CommandsSince(std::size_t from) {
  const std::vector<std::string> all = Commands(Instrument());
  return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end());
}

void WorkerRig::StartWorker() {
  worker_ = CORUCommThread::Start(context, clock);
  ASSERT_TRUE(worker_->WaitForPublishedId(kHangMs));
}

void WorkerRig::ConnectNotifications() {
  Post(WM_ORU_SET_NOTIFY_WINDOW, reinterpret_cast<WPARAM>(notes.Handle()));
  ASSERT_TRUE(notes.WaitForCount(2, kHangMs));
}

void WorkerRig::Post(UINT id, WPARAM wParam, LPARAM lParam) {
  ASSERT_TRUE(PostThreadMessage(context.commThreadId, id, wParam, lParam)) << id;
}

bool WorkerRig::StopWorker() {
  const bool ended = StopCommThread(context);
  worker_.reset();
  return ended;
}

std::vector<std::string> WorkerRig::Traffic(sim::Instrument& instrument) const {
  std::vector<std::string> traffic;
  for (const sim::TranscriptEntry& entry : instrument.transcript().entries()) {
    if (entry.kind == sim::TranscriptKind::Command) traffic.push_back(entry.bytes);
    if (entry.kind == sim::TranscriptKind::Vendor) traffic.push_back("V" + std::to_string(entry.endpoint));
  }
  return traffic;
}

CCaptBuf WorkerRig::Record(int index) {
  std::lock_guard guard(LinkFields(store).dataMutex);
  return LinkFields(store).captureBuffer[index];
}

CORUCaptureHeader WorkerRig::Header(int index) {
  std::lock_guard guard(LinkFields(store).dataMutex);
  return LinkFields(store).captureHeaders[index];
}

int WorkerRig::Records() {
  std::lock_guard guard(LinkFields(store).dataMutex);
  return LinkFields(store).captureBuffer.GetSize();
}

int WorkerRig::Headers() {
  std::lock_guard guard(LinkFields(store).dataMutex);
  return LinkFields(store).captureHeaders.GetSize();
}

}  // namespace e2e
