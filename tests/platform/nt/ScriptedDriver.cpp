#include "ScriptedDriver.h"

#include <algorithm>

namespace scripted {

namespace {

NTSTATUS Dispatch(PDEVICE_OBJECT device, PIRP irp) {
  auto ext = static_cast<Extension*>(device->DeviceExtension);
  UCHAR major = IoGetCurrentIrpStackLocation(irp)->MajorFunction;
  if (ext && ext->script && ext->script->handlers[major]) return ext->script->handlers[major](device, irp);
  if (major == IRP_MJ_CREATE || major == IRP_MJ_CLOSE) return completeIrp(irp, STATUS_SUCCESS);
  return completeIrp(irp, STATUS_INVALID_DEVICE_REQUEST);
}

// Detaches and deletes the devices the tests made, as a legacy driver's unload does.
VOID Unload(PDRIVER_OBJECT driver) {
  while (PDEVICE_OBJECT device = driver->DeviceObject) {
    PDEVICE_OBJECT lower = static_cast<Extension*>(device->DeviceExtension)->lower;
    if (lower && lower->AttachedDevice == device) IoDetachDevice(lower);
    IoDeleteDevice(device);
  }
}

}  // namespace

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  for (auto& routine : driver->MajorFunction) routine = Dispatch;
  driver->DriverUnload = Unload;
  return STATUS_SUCCESS;
}

NTSTATUS RunCompletionHandler(PDEVICE_OBJECT device, PIRP irp, PVOID context) {
  return (*static_cast<CompletionHandler*>(context))(device, irp);
}

VOID RunCancelHandler(PDEVICE_OBJECT device, PIRP irp) {
  (*static_cast<CancelHandler*>(irp->Tail.Overlay.DriverContext[0]))(device, irp);
}

NTSTATUS completeIrp(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

nt::UserCompletion Completion::callback() {
  return [this](NTSTATUS status, ULONG_PTR information) {
    std::lock_guard lock(mutex_);
    calls_++;
    status_ = status;
    information_ = information;
    thread_ = std::this_thread::get_id();
    changed_.notify_all();
  };
}

bool Completion::wait(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] { return calls_ > 0; });
}

int Completion::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

NTSTATUS Completion::status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

ULONG_PTR Completion::information() const {
  std::lock_guard lock(mutex_);
  return information_;
}

std::thread::id Completion::thread() const {
  std::lock_guard lock(mutex_);
  return thread_;
}

nt::KernelOptions KernelTest::deterministic() {
  nt::KernelOptions options;
  options.workerThread = false;
  return options;
}

KernelTest::KernelTest(nt::KernelOptions options)
    : owned(std::make_unique<nt::Kernel>(options)),
      kernel(*owned),
      scope(std::make_unique<nt::KernelScope>(owned.get())) {
  EXPECT_EQ(kernel.loadDriver(u"Scripted", DriverEntry, &driver), STATUS_SUCCESS);
}

KernelTest::~KernelTest() {
  scope.reset();
  owned.reset();
}

void KernelTest::TearDown() {
  kernel.shutdown();
  std::vector<nt::Violation> seen;
  for (const auto& r : kernel.verifier().records()) seen.push_back(r.kind);
  std::sort(seen.begin(), seen.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(seen, expected) << kernel.verifier().report();
}

void KernelTest::expectViolations(std::vector<nt::Violation> kinds) { expected = std::move(kinds); }

PDEVICE_OBJECT KernelTest::createDevice(Script& script, const char16_t* name, ULONG flags) {
  UNICODE_STRING text;
  RtlInitUnicodeString(&text, name);
  PDEVICE_OBJECT device = nullptr;
  nt::DriverCall call(kernel, driver, nullptr, "test");
  NTSTATUS status =
      IoCreateDevice(driver, sizeof(Extension), name ? &text : nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
  EXPECT_EQ(status, STATUS_SUCCESS);
  if (!device) return nullptr;
  static_cast<Extension*>(device->DeviceExtension)->script = &script;
  device->Flags |= flags;
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return device;
}

PDEVICE_OBJECT KernelTest::createNamedDevice(Script& script, const char16_t* name, const char16_t* link, ULONG flags) {
  PDEVICE_OBJECT device = createDevice(script, name, flags);
  UNICODE_STRING deviceName, linkName;
  RtlInitUnicodeString(&deviceName, name);
  RtlInitUnicodeString(&linkName, link);
  EXPECT_EQ(IoCreateSymbolicLink(&linkName, &deviceName), STATUS_SUCCESS);
  return device;
}

PDEVICE_OBJECT KernelTest::attach(PDEVICE_OBJECT upper, PDEVICE_OBJECT lower) {
  PDEVICE_OBJECT below = IoAttachDeviceToDeviceStack(upper, lower);
  static_cast<Extension*>(upper->DeviceExtension)->lower = below;
  return below;
}

PFILE_OBJECT KernelTest::open(const char* path) {
  PFILE_OBJECT file = nullptr;
  EXPECT_EQ(nt::openDevice(kernel, std::string_view(path), &file), STATUS_SUCCESS) << path;
  return file;
}

}  // namespace scripted
