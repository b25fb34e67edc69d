#pragma once

// The plug-and-play manager of one kernel: the device tree (one node per PDO a bus reports), the
// drivers found for each node's hardware ids, and the PnP IRPs it sends. IRPs go one at a time,
// at PASSIVE_LEVEL, to the top of the node's stack, each starting with STATUS_NOT_SUPPORTED.
//
// Sequences:
// - arrival: QUERY_ID (hardware, device, instance and compatible ids) to the PDO, driver load (its entry point once),
//   AddDevice, START, QUERY_CAPABILITIES, QUERY_PNP_DEVICE_STATE, QUERY_DEVICE_RELATIONS; a failed
//   START is followed by REMOVE.
// - surprise removal (the bus reports the device missing): SURPRISE_REMOVAL; REMOVE once no file
//   is open on the stack any more.
// - orderly removal: the interfaces' listeners hear query-remove; QUERY_REMOVE; REMOVE, or
//   CANCEL_REMOVE when the driver refuses or files stay open (the platform's veto).
// - rebalance: QUERY_STOP, STOP, START, or QUERY_STOP, CANCEL_STOP.
// A driver without devices after REMOVE (or after a failed AddDevice) is reported unused, and the
// Machine unloads it.
//
// Threads: with `threaded`, sequences run on the manager's own PnP thread and the synchronous
// calls below wait for them; without, they run on the caller's thread (and work queued from other
// contexts, such as the REMOVE after the last close, runs in runPending()). The *Async calls only
// queue, so a bus may call them from any thread and IRQL.

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/nt/DeviceInterface.h"
#include "platform/nt/DeviceObject.h"
#include "platform/nt/Irp.h"
#include "platform/nt/WorkQueue.h"

namespace nt {

class Kernel;

using DevNodeId = int;

enum class DevNodeState {
  Enumerated,  // reported by its bus, no driver yet
  NoDriver,    // no driver installed for its ids (or the driver did not load)
  AddFailed,   // AddDevice failed
  Started,
  StartFailed,      // START failed and REMOVE was sent
  QueryStopped,     // QUERY_STOP succeeded (rebalance in progress)
  Stopped,          // STOP sent; START comes next
  QueryRemoved,     // QUERY_REMOVE succeeded (orderly removal in progress)
  SurpriseRemoved,  // SURPRISE_REMOVAL sent; REMOVE waits for the last file
  Removed,          // REMOVE sent while the device is still present (disabled)
  Deleted,          // the device is gone and REMOVE was sent
};

const char* devNodeStateName(DevNodeState state);

struct DevNodeInfo {
  DevNodeId id = 0;
  DevNodeState state = DevNodeState::Enumerated;
  PDEVICE_OBJECT pdo = nullptr;
  std::vector<std::u16string> hardwareIds;
  std::vector<std::u16string> compatibleIds;  // "USB\Class_ff&SubClass_00&Prot_00", ...
  // Device id and the bus's instance id: "USB\VID_0452&PID_0201\<serial>", or
  // "USB\VID_1234&PID_5678\1&0&<port>" for a device without a serial number.
  std::u16string instanceId;
  PDRIVER_OBJECT driver = nullptr;
  NTSTATUS problem = 0;  // the status that left the node without a started driver
  bool present = true;   // false once the bus reported it missing
};

// One PnP IRP the manager sent, with its final status.
struct PnpIrpRecord {
  DevNodeId node;
  UCHAR minor;
  NTSTATUS status;
};

enum class RemovalResult {
  Removed,
  VetoedByDriver,     // QUERY_REMOVE failed
  VetoedOpenHandles,  // files stayed open: the platform wants a reboot
  NotStarted,         // nothing to remove (no such node, or not started)
};

struct PnpOptions {
  bool threaded = true;
  // How long an orderly removal waits, after telling the listeners, for files to close.
  unsigned queryRemoveWaitMs = 2000;
  // Bound on any wait for an IRP or a sequence; passing it is recorded as a violation.
  unsigned waitLimitMs = 60000;
};

class PnpManager {
 public:
  // Loads (or finds loaded) the driver for the node (its hardware ids, then its compatible ids);
  // NULL when none. Called on the PnP thread with a copy of the node's record.
  using DriverLoader = std::function<PDRIVER_OBJECT(const DevNodeInfo& node)>;
  // A driver that has no device left.
  using DriverUnused = std::function<void(PDRIVER_OBJECT)>;

  PnpManager(Kernel& kernel, PnpOptions options);
  ~PnpManager();
  PnpManager(const PnpManager&) = delete;
  PnpManager& operator=(const PnpManager&) = delete;

  // The manager of a kernel, or NULL.
  static PnpManager* of(Kernel& kernel);

  Kernel& kernel() { return kernel_; }
  const PnpOptions& options() const { return options_; }
  void setDriverCallbacks(DriverLoader load, DriverUnused unused);

  // A bus reports a new PDO: runs the arrival sequence and returns the node.
  DevNodeId deviceArrived(PDEVICE_OBJECT pdo);
  // A bus reports its device missing: surprise removal (REMOVE follows the last close).
  void deviceMissing(PDEVICE_OBJECT pdo);
  void deviceMissingAsync(PDEVICE_OBJECT pdo);
  RemovalResult requestRemoval(DevNodeId node);
  // Adds and starts a node again after it was removed while present (or failed to start).
  NTSTATUS restart(DevNodeId node);
  // QUERY_STOP, then STOP and START again, or CANCEL_STOP when `cancel`. The query's failure
  // (after CANCEL_STOP) or START's status.
  NTSTATUS rebalance(DevNodeId node, bool cancel = false);
  // Sends one PnP IRP to the top of the node's stack and waits for it; `setup` may fill the
  // stack location's parameters. Records it in the history.
  NTSTATUS sendPnp(DevNodeId node, UCHAR minor, const std::function<void(PIO_STACK_LOCATION)>& setup = {},
                   ULONG_PTR* information = nullptr);

  // Every node not yet deleted: orderly removal, forced (SURPRISE_REMOVAL and REMOVE) when vetoed.
  void removeAll();
  // Runs what is queued on the calling thread (both modes); returns how many jobs ran.
  std::size_t runPending();
  // Threaded: waits until nothing is queued or running.
  bool waitIdle();
  // Ends the PnP thread (after removeAll); later work only runs through runPending().
  void stop();

  std::vector<DevNodeInfo> nodes() const;
  DevNodeInfo node(DevNodeId id) const;
  DevNodeId nodeOf(PDEVICE_OBJECT pdo) const;  // 0 when unknown
  std::vector<PnpIrpRecord> history() const;
  void clearHistory();
  // The devices of a node's stack, bottom (PDO) first.
  std::vector<PDEVICE_OBJECT> stackOf(DevNodeId node) const;

  // Device interfaces (IoRegisterDeviceInterface and IoSetDeviceInterfaceState).
  NTSTATUS registerInterface(PDEVICE_OBJECT pdo, const GUID& interfaceClass, std::u16string_view reference,
                             PUNICODE_STRING linkName);
  NTSTATUS setInterfaceState(std::u16string_view link, bool enable);
  // Links of the enabled interfaces of a class, in registration order.
  std::vector<std::u16string> enabledInterfaces(const GUID& interfaceClass) const;

 private:
  struct Node;
  struct Interface;

  // Runs `job` as one sequence and waits for it (on the caller in unthreaded mode).
  void runSequence(const std::function<void()>& job);
  void queue(std::function<void()> job);
  Node* find(DevNodeId id);
  const Node* find(DevNodeId id) const;
  NTSTATUS send(Node& node, UCHAR minor, const std::function<void(PIO_STACK_LOCATION)>& setup, ULONG_PTR* information);
  void arrive(Node& node);
  void addAndStart(Node& node);
  void surpriseRemove(Node& node);
  void removeIfClosed(DevNodeId id);
  void sendRemove(Node& node);
  RemovalResult orderlyRemove(Node& node, bool force);
  std::size_t openFiles(const Node& node) const;
  void disableInterfaces(Node& node);
  void notifyNode(Node& node, InterfaceEvent event);
  void fileReleased();
  std::vector<std::u16string> queryIds(Node& node, BUS_QUERY_ID_TYPE type);

  Kernel& kernel_;
  PnpOptions options_;
  WorkQueue queue_;
  DriverLoader load_;
  DriverUnused unused_;
  mutable std::mutex mutex_;
  std::condition_variable filesChanged_;
  std::map<DevNodeId, std::unique_ptr<Node>> nodes_;
  DevNodeId nextId_ = 1;
  std::vector<PnpIrpRecord> history_;
  std::vector<std::unique_ptr<Interface>> interfaces_;
  std::uint64_t fileReleases_ = 0;
};

}  // namespace nt
