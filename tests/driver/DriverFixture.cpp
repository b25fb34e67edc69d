#include "DriverFixture.h"

#include "driver/install/OruDriverStore.h"

namespace drivertest {

namespace {
constexpr DWORD kHangMs = 10000;
}  // namespace

std::string CompletionName(const ::testing::TestParamInfo<Completion>& info) {
  return info.param == Completion::Inline ? "Inline" : "Deferred";
}

std::vector<usb::UrbRecord> Select(const std::vector<usb::UrbRecord>& urbs, ULONG ioControlCode, int function) {
  std::vector<usb::UrbRecord> result;
  for (const usb::UrbRecord& r : urbs) {
    if (r.ioControlCode == ioControlCode && (function < 0 || r.function == function)) result.push_back(r);
  }
  return result;
}

platform::MachineOptions DriverTest::Options() const {
  platform::MachineOptions options;
  options.bus.threaded = true;
  options.bus.inlineCompletion = GetParam() == Completion::Inline;
  return options;
}

void DriverTest::SetUp() {
  machine_ = std::make_unique<platform::Machine>(Options());
  oru::InstallDriver(*machine_);
  attached_ = std::make_unique<win32::DeviceSystemAttachment>(machine_->kernel());
}

void DriverTest::TearDown() {
  for (HANDLE h : open_) CloseHandle(h);
  open_.clear();
  for (HANDLE e : events_) CloseHandle(e);
  events_.clear();
  attached_.reset();
  std::vector<nt::VerifierRecord> records = machine_->shutdown();
  EXPECT_TRUE(records.empty()) << machine_->verifier().report();
  machine_.reset();
  devices_.clear();
  instruments_.clear();
}

ScriptedDevice& DriverTest::NewDevice(std::vector<EndpointDesc> endpoints) {
  devices_.push_back(std::make_unique<ScriptedDevice>(std::move(endpoints)));
  return *devices_.back();
}

sim::Instrument& DriverTest::NewInstrument() {
  sim::InstrumentOptions options;
  options.clock.mode = sim::TimeMode::Stepped;
  instruments_.push_back(std::make_unique<sim::Instrument>(options));
  return *instruments_.back();
}

int DriverTest::PlugStarted(usb::UsbDeviceModel& model) {
  int port = machine_->plug(model);
  EXPECT_NE(port, 0);
  EXPECT_EQ(machine_->device(port).state, nt::DevNodeState::Started);
  return port;
}

void DriverTest::StartAndOpen(UCHAR mode) {
  device_ = &NewDevice();
  port_ = PlugStarted(*device_);
  h_ = Open();
  SetMode(h_, mode);
  machine_->bus().clearRequests(port_);
}

HDEVNOTIFY DriverTest::WatchInterface(win32::RecordingWindowTarget& window) {
  DEV_BROADCAST_DEVICEINTERFACE filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = oru::GUID_DEVINTERFACE_ORU;
  HDEVNOTIFY notify = RegisterDeviceNotification(window.Handle(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  EXPECT_NE(notify, nullptr);
  return notify;
}

PDEVICE_OBJECT DriverTest::Fdo() const {
  PDRIVER_OBJECT driver = machine_->driver(oru::kServiceName);
  return driver ? driver->DeviceObject : nullptr;
}

oru::DeviceExtension* DriverTest::Ext() const {
  PDEVICE_OBJECT fdo = Fdo();
  return fdo ? oru::ExtensionOf(fdo) : nullptr;
}

HANDLE DriverTest::Open(bool overlapped) {
  HANDLE h = CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE) << "CreateFile: error " << GetLastError();
  if (h != INVALID_HANDLE_VALUE) {
    std::lock_guard lock(mutex_);
    open_.push_back(h);
  }
  return h;
}

void DriverTest::Close(HANDLE handle) {
  {
    std::lock_guard lock(mutex_);
    std::erase(open_, handle);
  }
  EXPECT_TRUE(CloseHandle(handle));
}

DWORD DriverTest::Control(HANDLE handle, DWORD code, const void* input, DWORD inputLength, void* output,
                          DWORD outputLength, DWORD* returned) {
  DWORD bytes = 0;
  BOOL ok = DeviceIoControl(handle, code, const_cast<void*>(input), inputLength, output, outputLength, &bytes, nullptr);
  if (returned) *returned = bytes;
  return ok ? 0 : GetLastError();
}

void DriverTest::SetMode(HANDLE handle, UCHAR mode) {
  ASSERT_EQ(Control(handle, oru::IOCTL_ORU_SET_PIPE_MODE, &mode, 1), 0u);
}

std::unique_ptr<AsyncIo> DriverTest::StartRead(HANDLE handle, DWORD length) {
  auto io = std::make_unique<AsyncIo>();
  io->buffer.assign(length, 0xEE);
  io->overlapped.hEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  {
    std::lock_guard lock(mutex_);
    events_.push_back(io->overlapped.hEvent);
  }
  io->issued = ReadFile(handle, io->buffer.data(), length, nullptr, &io->overlapped);
  io->issueError = io->issued ? 0 : GetLastError();
  return io;
}

std::unique_ptr<AsyncIo> DriverTest::StartWrite(HANDLE handle, std::string_view bytes) {
  auto io = std::make_unique<AsyncIo>();
  io->buffer.assign(bytes.begin(), bytes.end());
  io->overlapped.hEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  {
    std::lock_guard lock(mutex_);
    events_.push_back(io->overlapped.hEvent);
  }
  io->issued = WriteFile(handle, io->buffer.data(), static_cast<DWORD>(bytes.size()), nullptr, &io->overlapped);
  io->issueError = io->issued ? 0 : GetLastError();
  return io;
}

DWORD DriverTest::Finish(HANDLE handle, AsyncIo& io, DWORD* bytes) {
  // A request that never ends is a failure, not a hang: it is cancelled so the test can go on.
  if (WaitForSingleObject(io.overlapped.hEvent, kHangMs) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "a request did not complete within " << kHangMs << " ms";
    CancelIo(handle);
  }
  DWORD moved = 0;
  BOOL ok = GetOverlappedResult(handle, &io.overlapped, &moved, TRUE);
  if (bytes) *bytes = moved;
  return ok ? 0 : GetLastError();
}

bool DriverTest::StillPending(HANDLE handle, AsyncIo& io) {
  DWORD moved = 0;
  if (GetOverlappedResult(handle, &io.overlapped, &moved, FALSE)) return false;
  return GetLastError() == ERROR_IO_INCOMPLETE;
}

DWORD DriverTest::Read(HANDLE handle, DWORD length, std::string* data) {
  auto io = StartRead(handle, length);
  DWORD bytes = 0;
  DWORD error = Finish(handle, *io, &bytes);
  if (data) data->assign(io->buffer.begin(), io->buffer.begin() + bytes);
  return error;
}

DWORD DriverTest::Write(HANDLE handle, std::string_view bytes, DWORD* written) {
  auto io = StartWrite(handle, bytes);
  return Finish(handle, *io, written);
}

void DriverTest::ExpectCommandAnswered(HANDLE handle, ScriptedDevice& device) {
  SetMode(handle, oru::PIPE_MODE_BULK1);
  std::string before = device.bulkOutBytes(0x01);
  ASSERT_EQ(Write(handle, "VN"), 0u);
  EXPECT_EQ(device.bulkOutBytes(0x01), before + "VN");
  device.queueIn(0x81, "vn:1");
  std::string reply;
  ASSERT_EQ(Read(handle, 64, &reply), 0u);
  EXPECT_EQ(reply, "vn:1");
}

std::vector<ULONG> DriverTest::BulkPieces(int port, UCHAR endpoint) const {
  std::vector<ULONG> lengths;
  for (const usb::UrbRecord& r :
       Select(Urbs(port), IOCTL_INTERNAL_USB_SUBMIT_URB, URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER)) {
    if (r.endpoint == endpoint) lengths.push_back(r.length);
  }
  return lengths;
}

}  // namespace drivertest
