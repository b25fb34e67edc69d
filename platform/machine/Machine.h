#pragma once

// The simulated computer: one kernel (namespace, I/O manager, pool, worker thread, verifier), its
// USB host controller, its plug-and-play and power managers, and the driver store. Tests build as
// many machines as they need; each is independent. The program builds one on its root folder,
// with the driver image registered and the simulated instrument plugged in.
//
// Plugging a device gives it a port and a PDO; the PnP manager then loads the driver bound to
// its ids (entry point once per load), adds and starts the device. Unplugging is a
// surprise removal; REMOVE follows once no file is open on the device. A driver left without
// devices is unloaded. A model that leaves by itself (its own unplug) calls bus().unplug(port),
// from any thread; the surprise removal then follows on the PnP thread. Shutting down removes
// every device, unloads every driver, stops every thread and runs the kernel's leak and IRP checks.
//
// Setup state: every node a machine sees is recorded with the driver it was bound to. A driver
// binds through a stored INF package (a model's hardware id, its install section's AddService
// name) or a direct install; the name then finds the registered driver image. Tests' machines
// keep that state in memory; the program's keeps it under a root folder (SetupStore).

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine/DriverStore.h"
#include "platform/machine/RootEnumerator.h"
#include "platform/machine/SetupStore.h"
#include "platform/nt/IoForward.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/PnpManager.h"
#include "platform/nt/PowerManager.h"
#include "platform/nt/Verifier.h"
#include "platform/usb/HostController.h"

namespace platform {

struct MachineOptions {
  nt::KernelOptions kernel;
  usb::BusOptions bus;
  nt::PnpOptions pnp;  // `threaded` follows kernel.workerThread
  // The folder that keeps the setup state across runs; empty: in memory, for this machine only.
  std::filesystem::path root;

  // No thread anywhere: work items, PnP work and the bus run when the test pumps them
  // (kernel().runWorkItems(), pnp().runPending(), bus().pump() / runFrames()).
  static MachineOptions deterministic();
};

class Machine {
 public:
  explicit Machine(MachineOptions options = {});
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  nt::Kernel& kernel() { return kernel_; }
  nt::Verifier& verifier() { return kernel_.verifier(); }
  usb::HostController& bus() { return *bus_; }
  nt::PnpManager& pnp() { return *pnp_; }
  nt::PowerManager& power() { return *power_; }

  // Registers a driver's entry point under its service name; a second install of the name
  // replaces the entry point for later loads.
  void installDriver(std::string_view name, PDRIVER_INITIALIZE entry);
  // As above, and the driver serves devices with this hardware id ("USB\VID_0452&PID_0201").
  void installDriver(std::string_view hardwareId, std::string_view name, PDRIVER_INITIALIZE entry);
  bool isInstalled(std::string_view name) const;
  // Loads an installed driver (calls its entry point). STATUS_OBJECT_NAME_NOT_FOUND when nothing
  // is installed under the name, STATUS_OBJECT_NAME_COLLISION when it is loaded already.
  NTSTATUS loadDriver(std::string_view name);
  // The loaded driver of that name, or NULL.
  PDRIVER_OBJECT driver(std::string_view name) const;
  void unloadDriver(std::string_view name);
  // How often a driver's entry point ran.
  int loadCount(std::string_view name) const;

  // Connects a device and runs its arrival (driver, AddDevice, START, ...). Returns its port
  // (0 when no PDO could be made). The model must outlive its unplugging (or the machine).
  int plug(usb::UsbDeviceModel& model, const usb::PlugOptions& options = {});
  // Surprise removal: the device leaves its port, pending transfers fail, SURPRISE_REMOVAL goes
  // to its stack (and REMOVE, when no file is open). Returns when that has happened.
  void unplug(int port);
  // Orderly removal (the setup layer's "remove"): see nt::PnpManager::requestRemoval.
  nt::RemovalResult remove(int port);
  nt::DevNodeId node(int port) const;
  nt::DevNodeInfo device(int port) const;

  // The machine whose kernel this is, or null.
  static Machine* of(nt::Kernel& kernel);

  // ---- setup state (the setup layer's view) ----
  struct SetupDevice {
    DeviceRecord record;
    bool present = false;  // a started or startable node of the device exists now
  };
  // Every recorded node, ordered by instance id.
  std::vector<SetupDevice> setupDevices();
  std::vector<SetupClass> setupClasses();
  // False when the root's state did not load or cannot be written: the machine then runs on
  // a fresh state in memory and never writes the root; setupStateError() says why (the
  // machine reports nothing itself: its user says it once, in its own way).
  bool setupStatePersistent() const { return persistent_; }
  const std::string& setupStateError() const { return stateError_; }
  // Files of the driver store that the load skipped (no package binding can use): one line each,
  // naming the file and why; said by the machine's user, like the error above.
  const std::vector<std::string>& skippedPackages() const { return skipped_; }
  const std::filesystem::path& root() const { return root_; }
  // Stores an INF's bytes in the driver store (see AddDriverPackage); `name` gets "oem<N>.inf"
  // and `path` the stored file's full path (or the name, in memory); `error` why the package is
  // NotAnInf or the state WriteFailed.
  StoreResult storeDriverPackage(const std::string& bytes, bool replaceOnly, std::string& name, std::string& path,
                                 std::string* error = nullptr);
  std::size_t driverPackageCount();
  // The whole setup state as it is now, and a change of it kept like every other (the setup
  // layer's class, filter, configuration and package queries and edits). false when the state
  // cannot be written; nothing changes then.
  SetupDatabase setupState();
  bool changeSetupState(const std::function<void(SetupDatabase&)>& change);
  enum class DeviceRemoval { Removed, NeedsRestart, NoSuchDevice, WriteFailed };
  // A node that is not present is deleted at once; a present one goes through the orderly
  // removal, and a veto leaves it marked for removal at the next start (NeedsRestart).
  // WriteFailed: the state could not be saved (`error` says why), the record stays.
  DeviceRemoval removeDevice(std::string_view instanceId, std::string* error = nullptr);

  // ---- the device tree (setup's changes to it; MachineDeviceTree.cpp) ----
  // The bus of the devices setup creates; their records persist, and every load of the root
  // makes their PDOs again.
  RootEnumerator& rootBus() { return *rootBus_; }
  // The next free "ROOT\<NAME>\nnnn" (name upper-cased, four decimal digits) among the
  // recorded devices and `taken`.
  std::string nextRootInstanceId(std::string_view name, const std::vector<std::string>& taken = {});
  // Records a root-enumerated device and reports its new PDO; the driver its ids bind to then
  // serves it. False when the id is not "ROOT\<NAME>\<digits>", is recorded already, or no PDO
  // can be made.
  bool createRootDevice(const DeviceRecord& record);
  enum class StateChange { Done, NeedsRestart, NoSuchDevice, WriteFailed };  // WriteFailed: flag not saved
  // Disable: the present node goes through the orderly removal and stays removed; the flag is
  // saved. A veto leaves the device running (NeedsRestart) with the flag saved for the next start.
  StateChange disableDevice(std::string_view instanceId);
  // Enable: the flag is cleared and saved; a present node that is not started is added and
  // started again.
  StateChange enableDevice(std::string_view instanceId);
  // Changes a recorded device's record and saves it; a root device's PDO answers its new ids.
  // False when the device is not recorded or the state cannot be written.
  bool changeDeviceRecord(std::string_view instanceId, const std::function<void(DeviceRecord&)>& change);
  struct Rebind {
    std::size_t matched = 0;    // present nodes whose recorded ids hold the id
    bool needsRestart = false;  // a node's removal was vetoed: it keeps its old driver
    bool saved = true;          // false: the state could not be written, nothing was rebound
  };
  // Rebuilds the stack of every present node whose recorded hardware or compatible ids hold
  // `hardwareId` (any case) with the driver binding gives it now: the stored `package`
  // ("oem<N>.inf") when it serves the node, else the best ranked. Disabled nodes only count.
  Rebind rebindDevices(std::string_view hardwareId, std::string_view package = {});
  // Re-enumeration: a recorded root device without a PDO gets one, a plugged device whose node
  // was removed gets it back (disabled ones excepted), and a present node without a driver is
  // bound when one now serves it. With an instance id, that device alone.
  void reenumerate(std::string_view instanceId = {});
  struct DeviceNode {
    DeviceRecord record;
    bool present = false;  // a node of the device exists now (disabled ones too)
    bool rootEnumerated = false;
    nt::DevNodeState state = nt::DevNodeState::Deleted;  // of that node
  };
  // The recorded device and its node; nullopt when it is not recorded.
  std::optional<DeviceNode> deviceNode(std::string_view instanceId);
  // A restart of the computer asked for through setup; saved. The next load of the root counts
  // as that restart: it clears the request and carries out the removals that waited for it.
  bool requestRestart();
  bool restartRequested();

  // System sleep (S3) and wake (S0); sleep is false when a driver refused it.
  bool sleep();
  void wake();

  // Removes every device, unloads every driver, stops the threads and runs the leak and IRP
  // checks; returns the whole verifier log. Idempotent (later calls return the log again).
  std::vector<nt::VerifierRecord> shutdown();

 private:
  PDRIVER_OBJECT driverFor(const nt::DevNodeInfo& node);
  std::vector<DirectInstall> directInstalls() const;
  // Binds recorded root devices in one change of the state, ahead of their arrivals.
  void bindRootDevices(const std::vector<DeviceRecord>& records);
  nt::DevNodeId liveNode(std::string_view instanceId) const;
  void driverUnused(PDRIVER_OBJECT driver);
  nt::DevNodeId nodeOfInstance(std::string_view instanceId) const;  // the newest node not deleted
  void enumerateRecordedRootDevices();
  // Root devices come back at the load, before the program registers its drivers: a driver
  // registered later starts the ones that wait for it.
  void startWaitingRootDevices();

  nt::Kernel kernel_;
  std::unique_ptr<usb::HostController> bus_;
  std::unique_ptr<nt::PnpManager> pnp_;
  std::unique_ptr<nt::PowerManager> power_;
  std::unique_ptr<RootEnumerator> rootBus_;
  mutable std::mutex storeMutex_;
  std::map<std::string, PDRIVER_INITIALIZE, std::less<>> installed_;
  std::map<std::string, std::string, std::less<>> byHardwareId_;  // upper-case id -> service name
  std::map<std::string, PDRIVER_OBJECT, std::less<>> loaded_;
  std::map<std::string, int, std::less<>> loads_;
  std::map<int, nt::DevNodeId> nodes_;  // port -> node
  std::filesystem::path root_;
  std::unique_ptr<SetupStore> setup_;
  bool persistent_ = false;
  std::string stateError_;
  std::vector<std::string> skipped_;
  bool shutDown_ = false;
};

}  // namespace platform
