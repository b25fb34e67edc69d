#pragma once

// The power manager of one kernel: system sleep and wake of the machine, the device power IRPs
// that drivers request, and the checks on power IRPs. Every power IRP starts with
// STATUS_NOT_SUPPORTED, travels with PoCallDriver, and each device it reaches must call
// PoStartNextPowerIrp for it exactly once (checked when it completes).
//
// System changes go to the top of every started node's stack, one node at a time, and the call
// waits for each IRP: sleep = QUERY_POWER(Sx) to all, then SET_POWER(Sx) to all (a refused query
// is answered with SET_POWER(S0) to the nodes that agreed); wake = SET_POWER(S0) to all. Both
// return once no power IRP is outstanding any more (so the device IRPs the drivers asked for
// have completed too). Device IRPs requested with PoRequestPowerIrp are sent at PASSIVE_LEVEL on
// the power manager's thread (or, unthreaded, while a system change waits or in runPending()).

#include <map>
#include <memory>
#include <mutex>
#include <condition_variable>
#include <vector>

#include "platform/nt/Irp.h"
#include "platform/nt/PnpPowerTypes.h"
#include "platform/nt/PowerRoutines.h"
#include "platform/nt/WorkQueue.h"

namespace nt {

class Kernel;
class PnpManager;
class SystemWaiter;

// One power IRP, in the order they were issued.
struct PowerIrpRecord {
  PDEVICE_OBJECT target;  // the top of the stack it was sent to
  UCHAR minor;
  POWER_STATE_TYPE type;
  POWER_STATE state;
  bool requestedByDriver;  // PoRequestPowerIrp
  NTSTATUS status;         // STATUS_PENDING until it completed
};

class PowerManager {
 public:
  PowerManager(Kernel& kernel, PnpManager& pnp, bool threaded, unsigned waitLimitMs);
  ~PowerManager();
  PowerManager(const PowerManager&) = delete;
  PowerManager& operator=(const PowerManager&) = delete;

  static PowerManager* of(Kernel& kernel);

  // False (and the machine stays working) when a node refused the query.
  bool sleep(SYSTEM_POWER_STATE state = PowerSystemSleeping3);
  void wake();
  SYSTEM_POWER_STATE systemState() const;

  std::vector<PowerIrpRecord> history() const;
  void clearHistory();
  // The state a driver last reported for its device with PoSetPowerState (D0 when never).
  DEVICE_POWER_STATE reportedState(PDEVICE_OBJECT device) const;
  // Until no power IRP is outstanding; false when the wait limit passed.
  bool waitIdle();
  std::size_t runPending();
  void stop();

  // The routines of PowerRoutines.h.
  NTSTATUS requestPowerIrp(PDEVICE_OBJECT pdo, UCHAR minor, POWER_STATE state, PREQUEST_POWER_COMPLETE done,
                           PVOID context, PIRP* irp);
  NTSTATUS callDriver(PDEVICE_OBJECT device, PIRP irp);
  void startNext(PIRP irp);
  POWER_STATE setPowerState(PDEVICE_OBJECT device, POWER_STATE_TYPE type, POWER_STATE state);

 private:
  struct Tracking {
    std::size_t historyIndex;
    std::vector<PDEVICE_OBJECT> visited;
    std::vector<PDEVICE_OBJECT> started;
  };

  // Allocates a tracked power IRP for the top of `pdo`'s stack; `atTop` runs at completion.
  PIRP allocate(PDEVICE_OBJECT top, UCHAR minor, POWER_STATE_TYPE type, POWER_STATE state, bool requested,
                std::function<void(PIRP)> atTop);
  void finished(PIRP irp);
  NTSTATUS sendSystem(PDEVICE_OBJECT top, UCHAR minor, SYSTEM_POWER_STATE state);
  bool waitFor(SystemWaiter& waiter);

  Kernel& kernel_;
  PnpManager& pnp_;
  const bool threaded_;
  const unsigned waitLimitMs_;
  WorkQueue queue_;
  mutable std::mutex mutex_;
  std::condition_variable idle_;
  std::map<PIRP, Tracking> tracked_;
  std::vector<PowerIrpRecord> history_;
  std::map<PDEVICE_OBJECT, DEVICE_POWER_STATE> reported_;
  SYSTEM_POWER_STATE system_ = PowerSystemWorking;
};

}  // namespace nt
