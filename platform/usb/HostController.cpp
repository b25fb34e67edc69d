// The simulated host controller: ports and PDOs, the frame clock, the bus thread, and the
// servicing of pending transfers against the device models.

#include "platform/usb/HostController.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/nt/CallContext.h"
#include "platform/nt/IoManager.h"
#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"
#include "platform/usb/BusPort.h"
#include "platform/usb/BusStatus.h"
#include "platform/usb/UsbIoctl.h"

namespace usb {

namespace {

constexpr ULONG kIdTag = 0x64696855;  // "Uhid", on QUERY_ID answers

NTSTATUS internalDispatch(PDEVICE_OBJECT pdo, PIRP irp) {
  return HostController::ofPdo(pdo)->dispatchInternal(pdo, irp);
}

NTSTATUS BusDriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = internalDispatch;
  nt::PdoBus::SetDispatch(driver);
  return STATUS_SUCCESS;
}

DEVICE_CAPABILITIES defaultCapabilities() {
  DEVICE_CAPABILITIES c{};
  c.Size = sizeof c;
  c.Version = 1;
  c.Removable = 1;
  c.DeviceState[PowerSystemWorking] = PowerDeviceD0;
  for (int s = PowerSystemSleeping1; s <= PowerSystemShutdown; ++s) c.DeviceState[s] = PowerDeviceD3;
  c.SystemWake = PowerSystemUnspecified;
  c.DeviceWake = PowerDeviceUnspecified;
  return c;
}

// Runs `fn` at DISPATCH_LEVEL, as the controller's completion does.
template <class Fn>
void atDispatch(Fn&& fn) {
  KIRQL old = KeGetCurrentIrql();
  if (old < DISPATCH_LEVEL) KeRaiseIrql(DISPATCH_LEVEL, &old);
  fn();
  if (old < DISPATCH_LEVEL) KeLowerIrql(old);
}

}  // namespace

HostController::HostController(nt::Kernel& kernel, BusOptions options)
    : PdoBus(kIdTag),
      kernel_(kernel),
      options_(options),
      clockStart_(std::chrono::steady_clock::now()),
      steppedFrame_(options.firstFrame),
      waker_(std::make_shared<Waker>()) {
  waker_->bus = this;
  nt::KernelScope scope(&kernel_);
  kernel_.loadDriver(u"usbhub", BusDriverEntry, &driver_);
  if (options_.threaded) thread_ = std::thread([this] { threadMain(); });
}

HostController::~HostController() { shutdown(); }

HostController* HostController::ofPdo(PDEVICE_OBJECT pdo) {
  return static_cast<HostController*>(nt::PdoBus::OfPdo(pdo));
}

std::shared_ptr<Port> HostController::find(int port) const {
  std::lock_guard lock(mutex_);
  for (const auto& p : ports_) {
    if (p->number == port) return p;
  }
  return nullptr;
}

std::shared_ptr<Port> HostController::findByPdo(PDEVICE_OBJECT pdo) const {
  std::lock_guard lock(mutex_);
  for (const auto& p : ports_) {
    if (p->pdo == pdo && !p->deleted) return p;
  }
  return nullptr;
}

// ---- ports -----------------------------------------------------------------------------------

int HostController::plug(UsbDeviceModel& model, const PlugOptions& options) {
  auto port = std::make_shared<Port>();
  port->deviceDescriptor = model.deviceDescriptor();
  port->capabilities = options.capabilities.value_or(defaultCapabilities());
  port->deviceQueryPowerStatus = options.deviceQueryPowerStatus;
  {
    std::lock_guard lock(mutex_);
    port->number = nextPort_++;
  }
  port->model = &model;
  // A model may call its callback on its own thread at any time, even while the bus goes away.
  model.setDataReadyCallback([waker = waker_](uint8_t) {
    std::lock_guard lock(waker->mutex);
    if (waker->bus) waker->bus->wakeBus();
  });

  PDEVICE_OBJECT pdo = createPdo(kernel_, driver_, u"\\Device\\USBPDO-" + nt::widen(std::to_string(port->number)),
                                 FILE_DEVICE_USB, "bus enumeration");
  if (!pdo) {
    model.setDataReadyCallback({});
    return 0;
  }
  port->pdo = pdo;
  std::lock_guard lock(mutex_);
  ports_.push_back(port);
  return port->number;
}

void HostController::setUnplugHandler(std::function<void(int, PDEVICE_OBJECT)> handler) {
  std::lock_guard lock(mutex_);
  unplugHandler_ = std::move(handler);
}

PDEVICE_OBJECT HostController::pdo(int port) const {
  auto p = find(port);
  return p && !p->deleted ? p->pdo : nullptr;
}

int HostController::portOf(PDEVICE_OBJECT pdo) const {
  auto p = findByPdo(pdo);
  return p ? p->number : 0;
}

bool HostController::connected(int port) const {
  auto p = find(port);
  std::lock_guard lock(mutex_);
  return p && !p->gone;
}

void HostController::unplug(int number) {
  auto port = find(number);
  if (!port) return;
  {
    std::lock_guard lock(mutex_);
    if (port->gone) return;
  }
  markGone(*port);
  std::function<void(int, PDEVICE_OBJECT)> handler;
  {
    std::lock_guard lock(mutex_);
    handler = unplugHandler_;
  }
  if (handler) handler(port->number, port->pdo);
}

void HostController::markGone(Port& port) {
  {
    std::lock_guard lock(mutex_);
    port.gone = true;
    port.enabled = false;
  }
  {
    // Waits out a model call on another thread; from inside a model call it is this thread's.
    std::lock_guard model(port.modelMutex);
    if (port.model) port.model->setDataReadyCallback({});
    port.model = nullptr;
  }
  std::vector<std::pair<std::shared_ptr<Transfer>, USBD_STATUS>> done;
  {
    std::lock_guard lock(mutex_);
    for (auto it = port.transfers.begin(); it != port.transfers.end();) {
      Transfer& t = **it;
      if (!t.claimed && IoSetCancelRoutine(t.irp, nullptr)) {
        done.emplace_back(*it, USBD_STATUS_DEVICE_GONE);
        it = port.transfers.erase(it);
      } else {
        ++it;
      }
    }
  }
  nt::KernelScope scope(&kernel_);
  completeAll(port, done);
}

std::size_t HostController::pendingTransfers(int number) const {
  auto port = find(number);
  std::lock_guard lock(mutex_);
  return port ? port->transfers.size() : 0;
}

// ---- faults and records ----------------------------------------------------------------------

void HostController::injectFault(int number, UCHAR endpoint, FaultKind kind, USBD_STATUS status) {
  auto port = find(number);
  if (!port) return;
  std::lock_guard lock(mutex_);
  port->faults[endpoint].push_back({kind, status});
}

void HostController::releaseHeld(int number, UCHAR endpoint) {
  auto port = find(number);
  if (!port) return;
  {
    std::lock_guard lock(mutex_);
    for (auto& t : port->transfers) {
      if (t->endpoint == endpoint) t->held = false;
    }
  }
  wakeBus();
}

void HostController::disablePort(int number) {
  auto port = find(number);
  if (!port) return;
  std::lock_guard lock(mutex_);
  port->enabled = false;
}

void HostController::failFrameNumber(int number, unsigned count) {
  if (auto port = find(number)) {
    std::lock_guard lock(mutex_);
    port->frameNumberFailures += count;
  }
}

void HostController::failPortStatus(int number, unsigned count) {
  if (auto port = find(number)) {
    std::lock_guard lock(mutex_);
    port->portStatusFailures += count;
  }
}

std::vector<UrbRecord> HostController::requests(int number) const {
  auto port = find(number);
  std::lock_guard lock(mutex_);
  return port ? port->requests : std::vector<UrbRecord>{};
}

void HostController::clearRequests(int number) {
  auto port = find(number);
  std::lock_guard lock(mutex_);
  if (!port) return;
  // Pending transfers keep their records' places.
  for (auto& t : port->transfers) t->recordIndex = SIZE_MAX;
  port->requests.clear();
}

std::vector<PdoPowerRecord> HostController::powerRequests(int number) const {
  auto port = find(number);
  std::lock_guard lock(mutex_);
  return port ? port->power : std::vector<PdoPowerRecord>{};
}

bool HostController::pipeHalted(int number, UCHAR endpoint) const {
  auto port = find(number);
  std::lock_guard lock(mutex_);
  if (!port) return false;
  auto it = port->pipes.find(endpoint);
  return it != port->pipes.end() && it->second->halted;
}

UCHAR HostController::configuration(int number) const {
  auto port = find(number);
  std::lock_guard lock(mutex_);
  return port ? port->configuration : 0;
}

std::size_t HostController::record(Port& port, UrbRecord r) {
  std::lock_guard lock(mutex_);
  port.requests.push_back(r);
  return port.requests.size() - 1;
}

void HostController::recordResult(Port& port, std::size_t index, ULONG transferred, USBD_STATUS usbd, NTSTATUS status) {
  std::lock_guard lock(mutex_);
  if (index >= port.requests.size()) return;
  UrbRecord& r = port.requests[index];
  r.completed = true;
  r.transferred = transferred;
  r.usbdStatus = usbd;
  r.status = status;
}

// ---- clock and thread ------------------------------------------------------------------------

uint32_t HostController::currentFrame() const {
  if (!options_.threaded) return steppedFrame_.load();
  auto elapsed = std::chrono::steady_clock::now() - clockStart_;
  auto frames = elapsed / options_.frameLength;
  return options_.firstFrame + static_cast<uint32_t>(frames);
}

void HostController::runFrames(unsigned count) {
  for (unsigned i = 0; i < count; ++i) {
    if (!options_.threaded) steppedFrame_++;
    pump();
  }
}

std::size_t HostController::pump() {
  std::vector<std::shared_ptr<Port>> ports;
  {
    std::lock_guard lock(mutex_);
    ports = ports_;
  }
  std::size_t n = 0;
  for (auto& port : ports) n += servicePort(*port);
  return n;
}

void HostController::wakeBus() {
  {
    std::lock_guard lock(wakeMutex_);
    workPending_ = true;
  }
  wake_.notify_all();
}

// Isochronous transfers wait for frames, and IN or control transfers the device refused (NAK)
// are tried again every frame, besides the device's data-ready call; a bulk IN whose device
// announces its data waits for that call alone, so an idle bus does not wake every frame.
bool HostController::hasTimedWork() {
  std::lock_guard lock(mutex_);
  for (const auto& port : ports_) {
    for (const auto& t : port->transfers) {
      if (!t->held && !t->awaitsData) return true;
    }
  }
  return false;
}

void HostController::holdThread(bool held) {
  std::unique_lock lock(wakeMutex_);
  threadHeld_ = held;
  if (held) {
    wake_.wait(lock, [&] { return !threadPumping_; });
  } else {
    workPending_ = true;  // what came meanwhile
  }
  wake_.notify_all();
}

void HostController::threadMain() {
  nt::KernelScope scope(&kernel_);
  std::unique_lock lock(wakeMutex_);
  while (!stopping_) {
    if (threadHeld_) {
      wake_.wait(lock, [&] { return stopping_ || !threadHeld_; });
      continue;
    }
    if (!workPending_) {
      lock.unlock();
      bool timed = hasTimedWork();
      lock.lock();
      if (timed) {
        wake_.wait_for(lock, options_.frameLength, [&] { return stopping_ || workPending_; });
      } else {
        wake_.wait(lock, [&] { return stopping_ || workPending_; });
      }
    }
    if (stopping_) break;
    if (threadHeld_) continue;
    workPending_ = false;
    threadPumping_ = true;
    lock.unlock();
    pump();
    lock.lock();
    threadPumping_ = false;
    wake_.notify_all();
  }
}

void HostController::shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  {
    std::lock_guard lock(wakeMutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  {
    std::lock_guard lock(waker_->mutex);
    waker_->bus = nullptr;
  }
  std::vector<std::shared_ptr<Port>> ports;
  {
    std::lock_guard lock(mutex_);
    ports = ports_;
  }
  nt::KernelScope scope(&kernel_);
  for (auto& port : ports) {
    if (!port->gone) markGone(*port);
    std::lock_guard lock(mutex_);
    if (!port->deleted && port->pdo) {
      port->deleted = true;
      nt::DriverCall call(kernel_, driver_, port->pdo, "bus shutdown");
      IoDeleteDevice(port->pdo);
    }
  }
}

// ---- servicing -------------------------------------------------------------------------------

// One pass over a port's transfers in arrival order: the head transfer of each endpoint may
// move; every isochronous transfer serves the packets that are due.
std::size_t HostController::servicePort(Port& port) {
  std::vector<std::shared_ptr<Transfer>> snapshot;
  {
    std::lock_guard lock(mutex_);
    snapshot.assign(port.transfers.begin(), port.transfers.end());
  }
  std::vector<std::pair<std::shared_ptr<Transfer>, USBD_STATUS>> done;
  std::vector<UCHAR> blocked;  // endpoints whose head transfer is still pending
  for (auto& shared : snapshot) {
    Transfer& t = *shared;
    {
      std::lock_guard lock(mutex_);
      if (std::find(port.transfers.begin(), port.transfers.end(), shared) == port.transfers.end()) continue;
      bool isHead =
          t.kind == TransferKind::IsoIn || std::find(blocked.begin(), blocked.end(), t.endpoint) == blocked.end();
      if (t.kind != TransferKind::IsoIn) blocked.push_back(t.endpoint);
      if (!isHead || t.held || t.claimed) continue;
      if (port.gone) {
        if (IoSetCancelRoutine(t.irp, nullptr)) {
          port.transfers.erase(std::find(port.transfers.begin(), port.transfers.end(), shared));
          done.emplace_back(shared, USBD_STATUS_DEVICE_GONE);
        }
        continue;
      }
      // Whoever takes the cancel routine back owns the IRP.
      if (!IoSetCancelRoutine(t.irp, nullptr)) continue;
      t.claimed = true;
    }
    USBD_STATUS status = USBD_STATUS_PENDING;
    bool announced = false;
    bool finished = step(port, t, status, announced);
    std::lock_guard lock(mutex_);
    t.claimed = false;
    t.awaitsData = !finished && t.kind == TransferKind::BulkIn && announced;
    if (port.gone) {
      finished = true;
      status = USBD_STATUS_DEVICE_GONE;
    } else if (t.aborted) {
      finished = true;
      status = USBD_STATUS_CANCELED;
    }
    if (finished) {
      port.transfers.erase(std::find(port.transfers.begin(), port.transfers.end(), shared));
      done.emplace_back(shared, status);
      continue;
    }
    IoSetCancelRoutine(t.irp,
                       [](PDEVICE_OBJECT pdo, PIRP irp) { HostController::ofPdo(pdo)->cancelTransfer(pdo, irp); });
    if (nt::irpCancelled(t.irp) && IoSetCancelRoutine(t.irp, nullptr)) {
      port.transfers.erase(std::find(port.transfers.begin(), port.transfers.end(), shared));
      done.emplace_back(shared, USBD_STATUS_CANCELED);
    }
  }
  std::size_t n = done.size();
  completeAll(port, done);
  return n;
}

void HostController::completeAll(Port& port, std::vector<std::pair<std::shared_ptr<Transfer>, USBD_STATUS>>& done) {
  if (done.empty()) return;
  atDispatch([&] {
    for (auto& [t, status] : done) complete(port, *t, status);
  });
}

// Fills the URB's results and completes its IRP.
void HostController::complete(Port& port, Transfer& t, USBD_STATUS usbd) {
  PURB urb = t.urb;
  urb->UrbHeader.Status = usbd;
  switch (t.kind) {
    case TransferKind::Control:
      // Descriptor, feature and vendor requests share the length's place.
      urb->UrbControlVendorClassRequest.TransferBufferLength = t.done;
      break;
    case TransferKind::BulkIn:
    case TransferKind::BulkOut:
      urb->UrbBulkOrInterruptTransfer.TransferBufferLength = t.done;
      break;
    case TransferKind::IsoIn: {
      auto& iso = urb->UrbIsochronousTransfer;
      ULONG sum = 0, errors = 0;
      for (ULONG j = 0; j < iso.NumberOfPackets; ++j) {
        if (j >= t.nextPacket) {
          iso.IsoPacket[j].Length = 0;
          iso.IsoPacket[j].Status = USBD_SUCCESS(usbd) ? USBD_STATUS_NOT_ACCESSED : usbd;
        }
        sum += iso.IsoPacket[j].Length;
        errors += USBD_SUCCESS(iso.IsoPacket[j].Status) ? 0 : 1;
      }
      iso.TransferBufferLength = sum;
      iso.ErrorCount = errors;
      if (USBD_SUCCESS(usbd) && iso.NumberOfPackets > 0 && errors == iso.NumberOfPackets) {
        usbd = USBD_STATUS_ISOCH_REQUEST_FAILED;
        urb->UrbHeader.Status = usbd;
      }
      t.done = sum;
      break;
    }
  }
  NTSTATUS status = ntStatusFor(usbd);
  recordResult(port, t.recordIndex, t.done, usbd, status);
  t.irp->IoStatus.Status = status;
  t.irp->IoStatus.Information = 0;
  IoCompleteRequest(t.irp, IO_NO_INCREMENT);
}

void HostController::cancelTransfer(PDEVICE_OBJECT pdo, PIRP irp) {
  IoReleaseCancelSpinLock(irp->CancelIrql);
  auto port = findByPdo(pdo);
  if (!port) return;
  std::vector<std::pair<std::shared_ptr<Transfer>, USBD_STATUS>> done;
  {
    std::lock_guard lock(mutex_);
    for (auto it = port->transfers.begin(); it != port->transfers.end(); ++it) {
      if ((*it)->irp == irp) {
        done.emplace_back(*it, USBD_STATUS_CANCELED);
        port->transfers.erase(it);
        break;
      }
    }
  }
  completeAll(*port, done);
}

}  // namespace usb
