// Plug and play through the Machine: arrival and removal of the device interface as window
// messages, unplugging during a pending read, replugging, orderly removal with its vetoes, failed
// starts, a second device the driver refuses, rebalancing, and devices without a driver.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/RecordingWindowTarget.h"
#include "tests/platform/usb/LoopRig.h"

namespace looptest {
namespace {

// Registers a window for the loop interface's notifications.
class Listener {
 public:
  Listener() {
    DEV_BROADCAST_DEVICEINTERFACE filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kLoopInterface;
    notify = RegisterDeviceNotification(window.Handle(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
  ~Listener() { UnregisterDeviceNotification(notify); }

  std::vector<WPARAM> events() const {
    std::vector<WPARAM> out;
    for (const MSG& m : window.Messages()) {
      if (m.message == WM_DEVICECHANGE) out.push_back(m.wParam);
    }
    return out;
  }
  const DEV_BROADCAST_DEVICEINTERFACE* broadcast(std::size_t i) const {
    return reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(window.Messages().at(i).lParam);
  }

  win32::RecordingWindowTarget window;
  HDEVNOTIFY notify = nullptr;
};

std::vector<UCHAR> minorsSent(platform::Machine& machine) {
  std::vector<UCHAR> out;
  for (const auto& h : machine.pnp().history()) out.push_back(h.minor);
  return out;
}

class Unplug : public testing::TestWithParam<BusMode> {};

TEST_P(Unplug, DuringAPendingReadTheReadFailsTheListenerHearsAndReplugWorks) {
  LoopRig rig(GetParam());
  Listener listener;
  ASSERT_NE(listener.notify, nullptr);
  ASSERT_NE(rig.plug(), 0);
  ASSERT_EQ(listener.events(), std::vector<WPARAM>{DBT_DEVICEARRIVAL});
  const DEV_BROADCAST_DEVICEINTERFACE* arrival = listener.broadcast(0);
  EXPECT_EQ(arrival->dbcc_devicetype, DBT_DEVTYP_DEVICEINTERFACE);
  EXPECT_TRUE(arrival->dbcc_classguid == kLoopInterface);
  EXPECT_EQ(std::string(arrival->dbcc_name),
            "\\\\?\\USB#VID_1234&PID_5678#1&0&1#{1d1c8a52-7b3e-4f0e-9a41-526c330bd217}");
  // The interface's own name opens the device too.
  HANDLE byInterface = CreateFile(arrival->dbcc_name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(byInterface, INVALID_HANDLE_VALUE) << GetLastError();
  CloseHandle(byInterface);

  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  char in[64];
  OVERLAPPED o = rig.overlapped();
  ASSERT_FALSE(ReadFile(rig.handle, in, sizeof in, nullptr, &o));
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);

  rig.machine->unplug(rig.port);
  ASSERT_TRUE(rig.finished(o));
  DWORD n = 0;
  EXPECT_FALSE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_EQ(listener.events(), (std::vector<WPARAM>{DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE}));
  EXPECT_EQ(std::string(listener.broadcast(1)->dbcc_name), std::string(arrival->dbcc_name));
  // The handle is still open: REMOVE waits for it.
  EXPECT_EQ(rig.machine->device(rig.port).state, nt::DevNodeState::SurpriseRemoved);
  EXPECT_EQ(loopLog().pnpMinors.back(), IRP_MN_SURPRISE_REMOVAL);
  CloseHandle(rig.handle);
  rig.handle = INVALID_HANDLE_VALUE;
  rig.machine->pnp().waitIdle();
  EXPECT_EQ(rig.machine->pnp().node(rig.machine->node(rig.port)).state, nt::DevNodeState::Deleted);
  EXPECT_EQ(loopLog().pnpMinors.back(), IRP_MN_REMOVE_DEVICE);
  EXPECT_EQ(loopLog().unloads, 1);  // its last device went
  EXPECT_EQ(CreateFile("\\\\.\\LoopTest", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  int second = rig.machine->plug(rig.device);
  ASSERT_NE(second, 0);
  EXPECT_NE(second, rig.port);
  EXPECT_EQ(rig.machine->device(second).state, nt::DevNodeState::Started);
  EXPECT_EQ(loopLog().entries, 2);  // loaded again
  EXPECT_EQ(listener.events().back(), DBT_DEVICEARRIVAL);
  rig.port = second;
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  rig.device.queueIn({'b', 'a', 'c', 'k'});
  o = rig.overlapped();
  ASSERT_TRUE(ReadFile(rig.handle, in, sizeof in, nullptr, &o) || GetLastError() == ERROR_IO_PENDING);
  ASSERT_TRUE(rig.finished(o));
  ASSERT_TRUE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
  EXPECT_EQ(n, 4u);
}

INSTANTIATE_TEST_SUITE_P(Bus, Unplug, testing::Values(BusMode::Deterministic, BusMode::Deferred, BusMode::Inline),
                         modeName);

platform::MachineOptions noWaitForClosing() {
  platform::MachineOptions options;
  options.pnp.queryRemoveWaitMs = 0;
  return options;
}

TEST(OrderlyRemoval, AnOpenHandleVetoesItAndAClosedOneLetsItGo) {
  LoopRig rig(BusMode::Deferred, noWaitForClosing());
  Listener listener;
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  rig.machine->pnp().clearHistory();
  EXPECT_EQ(rig.machine->remove(rig.port), nt::RemovalResult::VetoedOpenHandles);
  EXPECT_EQ(minorsSent(*rig.machine), (std::vector<UCHAR>{IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_CANCEL_REMOVE_DEVICE}));
  EXPECT_EQ(listener.events(),
            (std::vector<WPARAM>{DBT_DEVICEARRIVAL, DBT_DEVICEQUERYREMOVE, DBT_DEVICEQUERYREMOVEFAILED}));
  EXPECT_EQ(rig.machine->device(rig.port).state, nt::DevNodeState::Started);

  CloseHandle(rig.handle);
  rig.handle = INVALID_HANDLE_VALUE;
  rig.machine->pnp().clearHistory();
  EXPECT_EQ(rig.machine->remove(rig.port), nt::RemovalResult::Removed);
  EXPECT_EQ(minorsSent(*rig.machine), (std::vector<UCHAR>{IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_REMOVE_DEVICE}));
  EXPECT_EQ(listener.events().back(), DBT_DEVICEREMOVECOMPLETE);
  // Still plugged in: the node stays, without a driver, and can be started again.
  EXPECT_EQ(rig.machine->device(rig.port).state, nt::DevNodeState::Removed);
  EXPECT_NE(rig.machine->bus().pdo(rig.port), nullptr);
  EXPECT_EQ(rig.machine->pnp().restart(rig.machine->node(rig.port)), STATUS_SUCCESS);
  EXPECT_EQ(listener.events().back(), DBT_DEVICEARRIVAL);
  EXPECT_EQ(loopLog().addDevices, 2);
}

// Closes the device when asked whether it may go, as the program's main window does.
class ClosingWindow final : public win32::WindowTarget {
 public:
  explicit ClosingWindow(HANDLE& handle) : handle_(handle), hwnd(win32::RegisterWindowTarget(*this)) {}
  ~ClosingWindow() override { win32::UnregisterWindowTarget(hwnd); }
  void OnPostedMessage(const MSG& message) override {
    if (message.message == WM_DEVICECHANGE && message.wParam == DBT_DEVICEQUERYREMOVE &&
        handle_ != INVALID_HANDLE_VALUE) {
      CloseHandle(handle_);
      handle_ = INVALID_HANDLE_VALUE;
    }
  }

 private:
  HANDLE& handle_;

 public:
  HWND hwnd;
};

TEST(OrderlyRemoval, AListenerThatClosesItsHandleOnTheQueryLetsTheDeviceGo) {
  LoopRig rig(BusMode::Deferred);
  ClosingWindow window(rig.handle);
  DEV_BROADCAST_DEVICEINTERFACE filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kLoopInterface;
  HDEVNOTIFY notify = RegisterDeviceNotification(window.hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(rig.machine->remove(rig.port), nt::RemovalResult::Removed);
  EXPECT_EQ(rig.handle, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(UnregisterDeviceNotification(notify));
  EXPECT_FALSE(UnregisterDeviceNotification(notify));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(OrderlyRemoval, ADriverThatRefusesTheQueryGetsCancelRemove) {
  LoopRig rig(BusMode::Deferred);
  rig.plug();
  loopLog().refuseQueryRemove = true;
  rig.machine->pnp().clearHistory();
  EXPECT_EQ(rig.machine->remove(rig.port), nt::RemovalResult::VetoedByDriver);
  EXPECT_EQ(minorsSent(*rig.machine), (std::vector<UCHAR>{IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_CANCEL_REMOVE_DEVICE}));
  EXPECT_EQ(rig.machine->device(rig.port).state, nt::DevNodeState::Started);
}

TEST(Start, AFailedStartIsFollowedByRemoveAndNoArrival) {
  LoopRig rig(BusMode::Deferred);
  Listener listener;
  loopLog().failStart = true;
  rig.plug();
  nt::DevNodeInfo node = rig.machine->device(rig.port);
  EXPECT_EQ(node.state, nt::DevNodeState::StartFailed);
  EXPECT_EQ(node.problem, STATUS_DEVICE_CONFIGURATION_ERROR);
  EXPECT_EQ(loopLog().pnpMinors, (std::vector<UCHAR>{IRP_MN_START_DEVICE, IRP_MN_REMOVE_DEVICE}));
  EXPECT_TRUE(listener.events().empty());
  EXPECT_EQ(rig.open(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(loopLog().unloads, 1);
}

TEST(Start, DescriptorsTheDriverRejectsFailTheStart) {
  LoopRig rig(BusMode::Inline);
  std::vector<uint8_t> twoEndpoints = LoopbackDevice::standardConfiguration();
  twoEndpoints.resize(twoEndpoints.size() - 7);
  twoEndpoints[2] = static_cast<uint8_t>(twoEndpoints.size());
  twoEndpoints[9 + 4] = 2;
  rig.device.setConfigurationDescriptor(twoEndpoints);
  rig.plug();
  EXPECT_EQ(rig.machine->device(rig.port).state, nt::DevNodeState::StartFailed);
  EXPECT_EQ(rig.machine->device(rig.port).problem, STATUS_DEVICE_CONFIGURATION_ERROR);
}

TEST(Start, ASecondDeviceIsRefusedByAddDeviceWhileTheFirstKeepsWorking) {
  LoopRig rig(BusMode::Deferred);
  LoopbackDevice other;
  rig.plug();
  int second = rig.machine->plug(other);
  ASSERT_NE(second, 0);
  EXPECT_EQ(rig.machine->device(second).state, nt::DevNodeState::AddFailed);
  EXPECT_EQ(rig.machine->device(second).problem, STATUS_OBJECT_NAME_COLLISION);
  EXPECT_EQ(loopLog().entries, 1);
  EXPECT_EQ(loopLog().addDevices, 2);
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  char byte = 'q';
  DWORD n = 0;
  OVERLAPPED o = rig.overlapped();
  ASSERT_TRUE(WriteFile(rig.handle, &byte, 1, nullptr, &o) || GetLastError() == ERROR_IO_PENDING);
  ASSERT_TRUE(rig.finished(o));
  EXPECT_TRUE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
  EXPECT_TRUE(other.outPackets().empty());
  rig.machine->unplug(second);  // its PDO goes at once: there is no driver above it
  EXPECT_EQ(rig.machine->pnp().node(rig.machine->node(second)).state, nt::DevNodeState::Deleted);
  EXPECT_EQ(rig.machine->device(rig.port).state, nt::DevNodeState::Started);
}

TEST(Rebalance, StopsAndStartsAgainOrCancels) {
  LoopRig rig(BusMode::Deferred);
  rig.plug();
  rig.machine->pnp().clearHistory();
  EXPECT_EQ(rig.machine->pnp().rebalance(rig.machine->node(rig.port)), STATUS_SUCCESS);
  EXPECT_EQ(minorsSent(*rig.machine),
            (std::vector<UCHAR>{IRP_MN_QUERY_STOP_DEVICE, IRP_MN_STOP_DEVICE, IRP_MN_START_DEVICE}));
  rig.machine->pnp().clearHistory();
  EXPECT_EQ(rig.machine->pnp().rebalance(rig.machine->node(rig.port), /*cancel=*/true), STATUS_SUCCESS);
  EXPECT_EQ(minorsSent(*rig.machine), (std::vector<UCHAR>{IRP_MN_QUERY_STOP_DEVICE, IRP_MN_CANCEL_STOP_DEVICE}));
  EXPECT_EQ(rig.machine->device(rig.port).state, nt::DevNodeState::Started);
  // Every PnP IRP starts as "not supported": a minor nobody handles comes back so.
  EXPECT_EQ(rig.machine->pnp().sendPnp(rig.machine->node(rig.port), IRP_MN_QUERY_BUS_INFORMATION),
            STATUS_NOT_SUPPORTED);
}

TEST(Start, ADeviceWithoutAnInstalledDriverStaysWithoutOne) {
  platform::Machine machine;
  LoopbackDevice device;
  int port = machine.plug(device);
  EXPECT_EQ(machine.device(port).state, nt::DevNodeState::NoDriver);
  machine.unplug(port);
  EXPECT_EQ(machine.pnp().node(machine.node(port)).state, nt::DevNodeState::Deleted);
  EXPECT_TRUE(machine.shutdown().empty());
}

}  // namespace
}  // namespace looptest

namespace looptest {
namespace {

TEST(Capabilities, TheBusReportsWhatThePlugAsksFor) {
  LoopRig rig(BusMode::Deferred);
  DEVICE_CAPABILITIES wanted{};
  wanted.Size = sizeof wanted;
  wanted.Version = 1;
  wanted.DeviceState[PowerSystemWorking] = PowerDeviceD0;
  wanted.DeviceState[PowerSystemSleeping3] = PowerDeviceD2;
  wanted.DeviceWake = PowerDeviceD2;
  wanted.SystemWake = PowerSystemUnspecified;
  usb::PlugOptions options;
  options.capabilities = wanted;
  rig.port = rig.machine->plug(rig.device, options);
  DEVICE_CAPABILITIES caps{};
  caps.Size = sizeof caps;
  caps.Version = 1;
  EXPECT_EQ(
      rig.machine->pnp().sendPnp(rig.machine->node(rig.port), IRP_MN_QUERY_CAPABILITIES,
                                 [&](PIO_STACK_LOCATION s) { s->Parameters.DeviceCapabilities.Capabilities = &caps; }),
      STATUS_SUCCESS);
  EXPECT_EQ(caps.DeviceState[PowerSystemSleeping3], PowerDeviceD2);
  EXPECT_EQ(caps.DeviceWake, PowerDeviceD2);
  EXPECT_EQ(caps.Address, static_cast<ULONG>(rig.port));
  // A record of version 0 is refused by the bus.
  caps.Version = 0;
  EXPECT_NE(
      rig.machine->pnp().sendPnp(rig.machine->node(rig.port), IRP_MN_QUERY_CAPABILITIES,
                                 [&](PIO_STACK_LOCATION s) { s->Parameters.DeviceCapabilities.Capabilities = &caps; }),
      STATUS_SUCCESS);
}

}  // namespace
}  // namespace looptest
