// Machine handles, locating nodes, re-enumeration and node status over the attached Machine.

#include "platform/setup/ConfigManager.h"

#include <mutex>
#include <set>

#include "platform/machine/InfFile.h"
#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/win32/LastError.h"

namespace {

constexpr const char* kRootId = "HTREE\\ROOT\\0";

struct MachineHandle {
  int unused = 0;
};

std::mutex& handlesMutex() {
  static auto* mutex = new std::mutex;  // never destroyed: the exit report uses it
  return *mutex;
}

std::set<HMACHINE>& liveHandles() {
  static auto* handles = new std::set<HMACHINE>;
  return *handles;
}

// Handles left connected when the process ends are reported on standard error.
struct ExitReport {
  ~ExitReport() { setup::ReportOpenMachineHandles(stderr); }
} exitReport;

bool knownMachine(HMACHINE machine) {
  if (!machine) return true;  // the local machine
  std::lock_guard lock(handlesMutex());
  return liveHandles().count(machine) != 0;
}

// The armed failure's value, as the result of a failing CM_ call.
bool takeFailure(const char* function, CONFIGRET& result) {
  if (!setup::TakeFailure(function)) return false;
  result = GetLastError();
  return true;
}

bool isRoot(const char* id) { return !id || !*id || platform::EqualsNoCase(id, kRootId); }

}  // namespace

namespace setup {

std::size_t OpenMachineHandles() {
  std::lock_guard lock(handlesMutex());
  return liveHandles().size();
}

std::size_t ReportOpenMachineHandles(std::FILE* stream) {
  std::size_t open = OpenMachineHandles();
  if (open != 0 && stream) std::fprintf(stream, "setup: %zu machine handle(s) left connected\n", open);
  return open;
}

DEVINST RootDevInst() { return DevInstOf(kRootId); }

// The DN_ bits and problem of a recorded device's present node.
void NodeStatus(const platform::Machine::DeviceNode& node, ULONG& status, ULONG& problem) {
  using State = nt::DevNodeState;
  const platform::DeviceRecord& r = node.record;
  status = node.rootEnumerated ? DN_ROOT_ENUMERATED : DN_REMOVABLE;
  problem = 0;
  const bool running = node.state == State::Started || node.state == State::QueryStopped ||
                       node.state == State::Stopped || node.state == State::QueryRemoved;
  if (running) {
    status |= DN_DRIVER_LOADED | DN_STARTED | DN_DISABLEABLE;
    // Disabled or removed, but a veto keeps it running until the next start.
    if (r.disabled || r.pendingRemoval) status |= DN_NEED_RESTART;
    if (r.pendingRemoval) status |= DN_WILL_BE_REMOVED;
  } else if (r.disabled) {
    status |= DN_DISABLEABLE;
    problem = CM_PROB_DISABLED;
  } else if (node.state == State::StartFailed) {
    problem = CM_PROB_FAILED_START;
  } else if (node.state == State::NoDriver) {
    problem = CM_PROB_FAILED_INSTALL;
  } else if (node.state == State::AddFailed) {
    problem = CM_PROB_FAILED_ADD;
  }
  // A problem the device itself reports stands when the tree has none of its own.
  if (!problem) problem = r.reportedProblem;
  if (problem) status |= DN_HAS_PROBLEM;
  if (r.privateProblem) status |= DN_PRIVATE_PROBLEM;
}

}  // namespace setup

CONFIGRET CM_Connect_MachineA(LPCSTR UNCServerName, PHMACHINE phMachine) {
  CONFIGRET failed;
  if (takeFailure("CM_Connect_MachineA", failed)) return failed;
  if (!phMachine) return CR_INVALID_POINTER;
  *phMachine = nullptr;
  if (!setup::IsLocalMachineName(UNCServerName)) return CR_INVALID_MACHINENAME;
  auto* handle = new MachineHandle;
  std::lock_guard lock(handlesMutex());
  liveHandles().insert(handle);
  *phMachine = handle;
  return CR_SUCCESS;
}

CONFIGRET CM_Disconnect_Machine(HMACHINE hMachine) {
  CONFIGRET failed;
  if (takeFailure("CM_Disconnect_Machine", failed)) return failed;
  if (!hMachine) return CR_SUCCESS;
  std::lock_guard lock(handlesMutex());
  if (liveHandles().erase(hMachine) == 0) return CR_INVALID_POINTER;
  delete static_cast<MachineHandle*>(hMachine);
  return CR_SUCCESS;
}

CONFIGRET CM_Locate_DevNode_ExA(PDEVINST pdnDevInst, DEVINSTID_A pDeviceID, ULONG ulFlags, HMACHINE hMachine) {
  CONFIGRET failed;
  if (takeFailure("CM_Locate_DevNode_ExA", failed)) return failed;
  if (!pdnDevInst) return CR_INVALID_POINTER;
  *pdnDevInst = 0;
  if (ulFlags & ~CM_LOCATE_DEVNODE_BITS) return CR_INVALID_FLAG;
  if (!knownMachine(hMachine)) return CR_INVALID_POINTER;
  if (isRoot(pDeviceID)) {
    *pdnDevInst = setup::RootDevInst();
    return CR_SUCCESS;
  }
  platform::Machine* machine = setup::AttachedMachine();
  std::optional<platform::Machine::DeviceNode> node = machine ? machine->deviceNode(pDeviceID) : std::nullopt;
  if (!node) return CR_NO_SUCH_DEVNODE;
  if (!node->present && !(ulFlags & (CM_LOCATE_DEVNODE_PHANTOM | CM_LOCATE_DEVNODE_NOVALIDATION)))
    return CR_NO_SUCH_DEVNODE;
  *pdnDevInst = setup::DevInstOf(node->record.instanceId);
  return CR_SUCCESS;
}

CONFIGRET CM_Reenumerate_DevNode_Ex(DEVINST dnDevInst, ULONG ulFlags, HMACHINE hMachine) {
  CONFIGRET failed;
  if (takeFailure("CM_Reenumerate_DevNode_Ex", failed)) return failed;
  if (ulFlags & ~CM_REENUMERATE_BITS) return CR_INVALID_FLAG;
  if (!knownMachine(hMachine)) return CR_INVALID_POINTER;
  platform::Machine* machine = setup::AttachedMachine();
  if (dnDevInst == setup::RootDevInst()) {
    if (machine) machine->reenumerate();
    return CR_SUCCESS;
  }
  std::string id = setup::InstanceIdOf(dnDevInst);
  if (id.empty()) return CR_INVALID_DEVNODE;
  std::optional<platform::Machine::DeviceNode> node = machine ? machine->deviceNode(id) : std::nullopt;
  if (!node || !node->present) return CR_NO_SUCH_DEVNODE;
  machine->reenumerate(id);
  return CR_SUCCESS;
}

CONFIGRET CM_Get_DevNode_Status_Ex(PULONG pulStatus, PULONG pulProblemNumber, DEVINST dnDevInst, ULONG ulFlags,
                                   HMACHINE hMachine) {
  CONFIGRET failed;
  if (takeFailure("CM_Get_DevNode_Status_Ex", failed)) return failed;
  if (!pulStatus || !pulProblemNumber) return CR_INVALID_POINTER;
  *pulStatus = 0;
  *pulProblemNumber = 0;
  if (ulFlags != 0) return CR_INVALID_FLAG;
  if (!knownMachine(hMachine)) return CR_INVALID_POINTER;
  if (dnDevInst == setup::RootDevInst()) {
    *pulStatus = DN_ROOT_ENUMERATED | DN_DRIVER_LOADED | DN_STARTED;
    return CR_SUCCESS;
  }
  std::string id = setup::InstanceIdOf(dnDevInst);
  if (id.empty()) return CR_INVALID_DEVNODE;
  platform::Machine* machine = setup::AttachedMachine();
  std::optional<platform::Machine::DeviceNode> node = machine ? machine->deviceNode(id) : std::nullopt;
  if (!node || !node->present) return CR_NO_SUCH_DEVINST;
  setup::NodeStatus(*node, *pulStatus, *pulProblemNumber);
  return CR_SUCCESS;
}
