#pragma once

// The configuration-manager calls of the device tree: machine handles (local machine only),
// locating nodes, re-enumeration and a node's status and problem, with the platform's DN_ and
// CM_PROB_ values. DEVINST numbers are the ones the setup layer gives out (SetupApi.h); the root
// node has a number of its own (CM_Locate_DevNode_ExA with no id).
//
// A machine handle from CM_Connect_MachineA is counted until CM_Disconnect_Machine; a null
// HMACHINE names the local machine. Every call here can be made to fail once through
// setup::FailNextCall (SetupDiagnostics.h); a failing CM_ call returns the CONFIGRET armed there.

#include <cstddef>
#include <cstdio>

#include "platform/machine/Machine.h"
#include "platform/setup/SetupApi.h"

typedef HMACHINE* PHMACHINE;
typedef DEVINST* PDEVINST;
typedef CHAR* DEVINSTID_A;

// Results beyond those of SetupApi.h.
constexpr CONFIGRET CR_OUT_OF_MEMORY = 0x02;
constexpr CONFIGRET CR_INVALID_DEVINST = CR_INVALID_DEVNODE;
constexpr CONFIGRET CR_NO_SUCH_DEVINST = CR_NO_SUCH_DEVNODE;
constexpr CONFIGRET CR_FAILURE = 0x13;
constexpr CONFIGRET CR_INVALID_DATA = 0x1F;
constexpr CONFIGRET CR_NO_SUCH_VALUE = 0x25;
constexpr CONFIGRET CR_INVALID_MACHINENAME = 0x2F;
constexpr CONFIGRET CR_MACHINE_UNAVAILABLE = 0x31;
constexpr CONFIGRET CR_ACCESS_DENIED = 0x33;

// CM_Locate_DevNode_ExA flags.
constexpr ULONG CM_LOCATE_DEVNODE_NORMAL = 0x0;
constexpr ULONG CM_LOCATE_DEVNODE_PHANTOM = 0x1;
constexpr ULONG CM_LOCATE_DEVNODE_CANCELREMOVE = 0x2;
constexpr ULONG CM_LOCATE_DEVNODE_NOVALIDATION = 0x4;
constexpr ULONG CM_LOCATE_DEVNODE_BITS = 0x7;

// CM_Reenumerate_DevNode_Ex flags.
constexpr ULONG CM_REENUMERATE_NORMAL = 0x0;
constexpr ULONG CM_REENUMERATE_SYNCHRONOUS = 0x1;
constexpr ULONG CM_REENUMERATE_RETRY_INSTALLATION = 0x2;
constexpr ULONG CM_REENUMERATE_ASYNCHRONOUS = 0x4;
constexpr ULONG CM_REENUMERATE_BITS = 0x7;

// Node status bits (CM_Get_DevNode_Status_Ex).
constexpr ULONG DN_ROOT_ENUMERATED = 0x00000001;
constexpr ULONG DN_DRIVER_LOADED = 0x00000002;
constexpr ULONG DN_ENUM_LOADED = 0x00000004;
constexpr ULONG DN_STARTED = 0x00000008;
constexpr ULONG DN_MANUAL = 0x00000010;
constexpr ULONG DN_NEED_TO_ENUM = 0x00000020;
constexpr ULONG DN_NOT_FIRST_TIME = 0x00000040;
constexpr ULONG DN_HARDWARE_ENUM = 0x00000080;
constexpr ULONG DN_LIAR = 0x00000100;
constexpr ULONG DN_NEED_RESTART = DN_LIAR;
constexpr ULONG DN_HAS_MARK = 0x00000200;
constexpr ULONG DN_HAS_PROBLEM = 0x00000400;
constexpr ULONG DN_FILTERED = 0x00000800;
constexpr ULONG DN_MOVED = 0x00001000;
constexpr ULONG DN_DISABLEABLE = 0x00002000;
constexpr ULONG DN_REMOVABLE = 0x00004000;
constexpr ULONG DN_PRIVATE_PROBLEM = 0x00008000;
constexpr ULONG DN_MF_PARENT = 0x00010000;
constexpr ULONG DN_MF_CHILD = 0x00020000;
constexpr ULONG DN_WILL_BE_REMOVED = 0x00040000;

// Problem numbers.
constexpr ULONG CM_PROB_NOT_CONFIGURED = 0x01;
constexpr ULONG CM_PROB_OUT_OF_MEMORY = 0x03;
constexpr ULONG CM_PROB_FAILED_START = 0x0A;  // 10
constexpr ULONG CM_PROB_NEED_RESTART = 0x0E;
constexpr ULONG CM_PROB_REINSTALL = 0x12;
constexpr ULONG CM_PROB_WILL_BE_REMOVED = 0x15;
constexpr ULONG CM_PROB_DISABLED = 0x16;  // 22
constexpr ULONG CM_PROB_DEVICE_NOT_THERE = 0x18;
constexpr ULONG CM_PROB_FAILED_INSTALL = 0x1C;     // 28: no driver
constexpr ULONG CM_PROB_HARDWARE_DISABLED = 0x1D;  // 29
constexpr ULONG CM_PROB_FAILED_ADD = 0x1F;         // 31
constexpr ULONG CM_PROB_DISABLED_SERVICE = 0x20;
constexpr ULONG CM_PROB_FAILED_DRIVER_ENTRY = 0x25;
constexpr ULONG CM_PROB_PHANTOM = 0x2D;

CONFIGRET CM_Connect_MachineA(LPCSTR UNCServerName, PHMACHINE phMachine);
CONFIGRET CM_Disconnect_Machine(HMACHINE hMachine);
// No id (or ""): the root node. CR_NO_SUCH_DEVNODE for an id that has no present node (unless
// CM_LOCATE_DEVNODE_PHANTOM and the id is recorded).
CONFIGRET CM_Locate_DevNode_ExA(PDEVINST pdnDevInst, DEVINSTID_A pDeviceID, ULONG ulFlags, HMACHINE hMachine);
// The root: every plugged device gets a node again and every present node without a driver is
// bound when a stored package now serves it. Another node: that node alone.
CONFIGRET CM_Reenumerate_DevNode_Ex(DEVINST dnDevInst, ULONG ulFlags, HMACHINE hMachine);
// DN_ bits and the problem number (0 without DN_HAS_PROBLEM). CR_NO_SUCH_DEVINST when the node is
// not present.
CONFIGRET CM_Get_DevNode_Status_Ex(PULONG pulStatus, PULONG pulProblemNumber, DEVINST dnDevInst, ULONG ulFlags,
                                   HMACHINE hMachine);

namespace setup {

// Machine handles connected and not yet disconnected, in the whole process.
std::size_t OpenMachineHandles();
// Writes a line to `stream` when machine handles are left open; returns how many. The process
// does it at its exit too.
std::size_t ReportOpenMachineHandles(std::FILE* stream);
// The DEVINST of the root node.
DEVINST RootDevInst();

// The DN_ bits and problem number CM_Get_DevNode_Status_Ex reports for a device's present node.
void NodeStatus(const platform::Machine::DeviceNode& node, ULONG& status, ULONG& problem);

}  // namespace setup
