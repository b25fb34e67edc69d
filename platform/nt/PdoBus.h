#pragma once

// What every bus driver here does for the PDOs it makes for the devices it finds: it creates
// them and answers their PnP and power IRPs, each completed once. START fails once the device is
// gone; the stop and removal requests succeed; REMOVE deletes the PDO of a device that is gone
// (one still there keeps its PDO for a later start); QUERY_ID and QUERY_CAPABILITIES take the
// bus's answers; SET_POWER and QUERY_POWER succeed; what a bus does not handle keeps the status
// the IRP carries. A bus derives from PdoBus, keeps a record derived from BusChild per device,
// and supplies only what differs.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/nt/DeviceObject.h"
#include "platform/nt/Irp.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/PnpPowerTypes.h"

namespace nt {

class Kernel;

// One device a bus found. `gone` and `deleted` are guarded by the bus's `mutex_`.
struct BusChild {
  PDEVICE_OBJECT pdo = nullptr;
  bool gone = false;     // the device left: START fails and REMOVE deletes the PDO
  bool deleted = false;  // its PDO was deleted
};

class PdoBus {
 public:
  PdoBus(const PdoBus&) = delete;
  PdoBus& operator=(const PdoBus&) = delete;

  // Routes the driver's PnP and power IRPs to the bus of the PDO they are for; the bus driver's
  // entry point calls it.
  static void SetDispatch(PDRIVER_OBJECT driver);
  // The bus that made this PDO.
  static PdoBus* OfPdo(PDEVICE_OBJECT pdo);

  NTSTATUS dispatchPnp(PDEVICE_OBJECT pdo, PIRP irp);
  NTSTATUS dispatchPower(PDEVICE_OBJECT pdo, PIRP irp);

 protected:
  // `idTag`: the pool tag of QUERY_ID answers.
  explicit PdoBus(ULONG idTag) : idTag_(idTag) {}
  virtual ~PdoBus() = default;

  // A PDO named `name`, this bus's, marked bus-enumerated and ready; null when no device object
  // can be made. `what` names the call for the verifier.
  PDEVICE_OBJECT createPdo(Kernel& kernel, PDRIVER_OBJECT driver, std::u16string name, DEVICE_TYPE type,
                           const char* what);

  // The child whose PDO this is and that is not deleted, or null.
  virtual std::shared_ptr<BusChild> childOf(PDEVICE_OBJECT pdo) const = 0;
  // The ids QUERY_ID answers for `type`; none keeps the IRP's status. Called without `mutex_`.
  virtual std::vector<std::u16string> queryIds(BusChild& child, BUS_QUERY_ID_TYPE type) = 0;
  // Fills a caller's capabilities record (its Size and Version were checked).
  virtual void fillCapabilities(BusChild& child, DEVICE_CAPABILITIES& caps) = 0;
  // REMOVE while the device is still there, before the IRP completes.
  virtual void removedWhilePresent(BusChild&) {}
  // A power IRP reached the child's PDO; the status a device QUERY_POWER gets.
  virtual NTSTATUS powerRequest(BusChild&, const IO_STACK_LOCATION&) { return STATUS_SUCCESS; }
  // Every PnP and power IRP, first: the PDO owns the IRP now.
  virtual void takeIrp(PIRP) {}

  // The children's `gone` and `deleted`, and whatever else the bus guards with it.
  mutable std::mutex mutex_;

 private:
  const ULONG idTag_;
};

}  // namespace nt
