#pragma once

// A simulated USB host controller with its root hub: the bus driver ("\Driver\usbhub") of one
// kernel. Each device plugged in gets a port and a PDO ("\Device\USBPDO-<port>") that answers
// the function driver's URBs and port requests against the device's UsbDeviceModel, its PnP IRPs
// (QUERY_ID with "USB\VID_xxxx&PID_xxxx" hardware ids, QUERY_CAPABILITIES, ...) and its power
// IRPs.
//
// Transfers follow USB rules: bulk data moves in max-packet pieces, a short packet ends an IN
// transfer, a halted endpoint stalls until its pipe is reset, isochronous IN moves one packet per
// frame from the start frame. Pending transfers can be cancelled (completed inside IoCancelIrp),
// aborted (ABORT_PIPE) and are failed with USBD_STATUS_DEVICE_GONE / STATUS_DEVICE_NOT_CONNECTED
// when their device goes. See BusOptions for threads and timing.
//
// A model is called by one thread at a time and never after unplug() returned.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>
#include <condition_variable>

#include "platform/nt/DeviceObject.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/PdoBus.h"
#include "platform/nt/PnpPowerTypes.h"
#include "platform/usb/BusOptions.h"
#include "platform/usb/BusRecords.h"
#include "platform/usb/Usbdi.h"
#include "platform/usb/model/UsbDeviceModel.h"

namespace nt {
class Kernel;
}

namespace usb {

struct Port;
struct Transfer;

struct PlugOptions {
  // What the PDO reports to QUERY_CAPABILITIES; the defaults when absent (D0 in S0, D3 in every
  // sleeping state, no wake, removable).
  std::optional<DEVICE_CAPABILITIES> capabilities;
  // How the PDO answers a device QUERY_POWER (a bus may not know the query and answer
  // STATUS_INVALID_PARAMETER).
  NTSTATUS deviceQueryPowerStatus = STATUS_SUCCESS;
};

class HostController : public nt::PdoBus {
 public:
  HostController(nt::Kernel& kernel, BusOptions options = {});
  ~HostController();
  HostController(const HostController&) = delete;
  HostController& operator=(const HostController&) = delete;

  const BusOptions& options() const { return options_; }
  nt::Kernel& kernel() { return kernel_; }
  PDRIVER_OBJECT driver() const { return driver_; }

  // Connects a device: a new port and its PDO. Returns the port number (1, 2, ...; never reused).
  int plug(UsbDeviceModel& model, const PlugOptions& options = {});
  // The device leaves its port: new requests fail, pending ones complete with device-gone, the
  // model is not called again. Any thread; also from inside a model call. Then the unplug
  // handler runs (the Machine reports the device missing to the PnP manager).
  void unplug(int port);
  void setUnplugHandler(std::function<void(int port, PDEVICE_OBJECT pdo)> handler);
  PDEVICE_OBJECT pdo(int port) const;
  // The port whose PDO this is, or 0.
  int portOf(PDEVICE_OBJECT pdo) const;
  bool connected(int port) const;

  // Frame clock. Deterministic buses advance only here: one frame at a time, serving what is due.
  uint32_t currentFrame() const;
  void runFrames(unsigned count);
  // Serves whatever can move now (deterministic buses; harmless otherwise); returns the number
  // of transfers completed.
  std::size_t pump();
  // Transfers pending on a port (held ones included).
  std::size_t pendingTransfers(int port) const;
  // While held, the bus thread serves nothing (it finishes the pass it is in first): a test then
  // moves the bus with pump() on a thread of its choosing. No effect without the bus thread.
  void holdThread(bool held);

  // Fault injection (see FaultKind); `endpoint` 0 is the default control pipe.
  void injectFault(int port, UCHAR endpoint, FaultKind kind, USBD_STATUS status = USBD_STATUS_SUCCESS);
  void stallNext(int port, UCHAR endpoint) { injectFault(port, endpoint, FaultKind::Stall); }
  void failNext(int port, UCHAR endpoint, USBD_STATUS status) { injectFault(port, endpoint, FaultKind::Fail, status); }
  void holdNext(int port, UCHAR endpoint) { injectFault(port, endpoint, FaultKind::Hold); }
  // Transfers held on `endpoint` are served from now on.
  void releaseHeld(int port, UCHAR endpoint);
  void unplugOnNext(int port, UCHAR endpoint) { injectFault(port, endpoint, FaultKind::Unplug); }
  // Connected but not enabled: GET_PORT_STATUS says so and transfers fail with
  // USBD_STATUS_DEV_NOT_RESPONDING until the port is reset.
  void disablePort(int port);
  // The next `count` GET_CURRENT_FRAME_NUMBER / GET_PORT_STATUS requests fail.
  void failFrameNumber(int port, unsigned count = 1);
  void failPortStatus(int port, unsigned count = 1);

  // Records.
  std::vector<UrbRecord> requests(int port) const;
  void clearRequests(int port);
  std::vector<PdoPowerRecord> powerRequests(int port) const;
  bool pipeHalted(int port, UCHAR endpoint) const;
  // The configuration value selected (0 = unconfigured).
  UCHAR configuration(int port) const;

  // Stops the bus thread, fails what is pending and deletes the PDOs left (their nodes must be
  // removed first). Idempotent; the destructor calls it.
  void shutdown();

  // For the bus driver's routines.
  static HostController* ofPdo(PDEVICE_OBJECT pdo);
  NTSTATUS dispatchInternal(PDEVICE_OBJECT pdo, PIRP irp);
  void cancelTransfer(PDEVICE_OBJECT pdo, PIRP irp);

 private:
  struct Completion;

  std::shared_ptr<Port> find(int port) const;
  std::shared_ptr<Port> findByPdo(PDEVICE_OBJECT pdo) const;
  // The PDO's PnP and power answers (BusPnpPower.cpp).
  std::shared_ptr<nt::BusChild> childOf(PDEVICE_OBJECT pdo) const override;
  std::vector<std::u16string> queryIds(nt::BusChild& child, BUS_QUERY_ID_TYPE type) override;
  void fillCapabilities(nt::BusChild& child, DEVICE_CAPABILITIES& caps) override;
  void removedWhilePresent(nt::BusChild& child) override;
  NTSTATUS powerRequest(nt::BusChild& child, const IO_STACK_LOCATION& location) override;
  void takeIrp(PIRP irp) override;
  NTSTATUS submitUrb(Port& port, PIRP irp, PURB urb);
  // Records a violation when a request that must come at PASSIVE_LEVEL comes above it.
  void requirePassive(const char* request);
  NTSTATUS finishNow(Port& port, PIRP irp, PURB urb, std::size_t record, USBD_STATUS status);
  NTSTATUS selectConfiguration(Port& port, PURB urb, USBD_STATUS& usbd);
  void abortPipe(Port& port, UCHAR endpoint);
  NTSTATUS queueTransfer(Port& port, PIRP irp, std::shared_ptr<Transfer> transfer);
  std::size_t servicePort(Port& port);
  // `announced`: the device calls data-ready when bulk IN data comes (no frame retry needed).
  bool step(Port& port, Transfer& t, USBD_STATUS& status, bool& announced);
  void complete(Port& port, Transfer& t, USBD_STATUS status);
  void completeAll(Port& port, std::vector<std::pair<std::shared_ptr<Transfer>, USBD_STATUS>>& done);
  void markGone(Port& port);
  void wakeBus();
  bool hasTimedWork();
  void threadMain();
  void recordResult(Port& port, std::size_t index, ULONG transferred, USBD_STATUS usbd, NTSTATUS status);
  std::size_t record(Port& port, UrbRecord r);

  nt::Kernel& kernel_;
  const BusOptions options_;
  PDRIVER_OBJECT driver_ = nullptr;
  // mutex_ (PdoBus) guards the ports, their transfers, pipes, records and faults.
  std::vector<std::shared_ptr<Port>> ports_;
  int nextPort_ = 1;
  std::function<void(int, PDEVICE_OBJECT)> unplugHandler_;
  // Frame clock.
  std::chrono::steady_clock::time_point clockStart_;
  std::atomic<uint32_t> steppedFrame_;
  // What models' data-ready callbacks hold: it outlives the controller and forgets it at shutdown.
  struct Waker {
    std::mutex mutex;
    HostController* bus;
  };
  std::shared_ptr<Waker> waker_;
  // Bus thread.
  std::mutex wakeMutex_;
  std::condition_variable wake_;
  bool workPending_ = false;
  bool stopping_ = false;
  bool threadHeld_ = false;
  bool threadPumping_ = false;
  bool shutDown_ = false;
  std::thread thread_;
};

}  // namespace usb
