// Plug and play: start with the six-endpoint check, the queue across query-stop, stop, query-remove and their cancels,
// surprise removal with requests waiting, and one instrument at a time.

#include "DriverFixture.h"
#include "platform/nt/IoManager.h"
#include "platform/nt/SystemIrp.h"
#include "platform/win32/RecordingWindowTarget.h"
#include "tests/platform/win32/Eventually.h"

namespace drivertest {
namespace {

using win32test::Eventually;

class PlugAndPlay : public DriverTest {
 protected:
  NTSTATUS Send(int port, UCHAR minor) { return M().pnp().sendPnp(M().node(port), minor); }
  std::size_t BulkIns(int port) { return BulkPieces(port, 0x81).size(); }
  // A request of `major` sent to the top of the stack as the kernel sends its own; its status.
  NTSTATUS SendIrp(PDEVICE_OBJECT top, UCHAR major, ULONG code = 0, PVOID argument = nullptr) {
    nt::KernelScope scope(&M().kernel());
    IO_STATUS_BLOCK result{};
    NTSTATUS sent = nt::sendSystemIrp(
        M().kernel(), top,
        [&](PIRP irp) {
          PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
          next->MajorFunction = major;
          next->Parameters.DeviceIoControl.IoControlCode = code;
          next->Parameters.Others.Argument1 = argument;
          irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
        },
        &result, 10000, "test request");
    return NT_SUCCESS(sent) ? result.Status : sent;
  }
};

TEST_P(PlugAndPlay, StartSelectsTheConfigurationAndEnablesTheInterface) {
  win32::RecordingWindowTarget window;
  HDEVNOTIFY notify = WatchInterface(window);
  ASSERT_NE(notify, nullptr);
  ScriptedDevice& device = NewDevice();
  int port = PlugStarted(device);
  EXPECT_TRUE(window.WaitForMessage(WM_DEVICECHANGE, 10000));
  EXPECT_EQ(window.Messages().front().wParam, DBT_DEVICEARRIVAL);
  EXPECT_EQ(M().bus().configuration(port), 1);
  EXPECT_EQ(Ext()->pnpState, oru::kPnpStarted);
  EXPECT_EQ(Ext()->deviceDescriptor.idVendor, 0x0452);
  EXPECT_EQ(Ext()->deviceDescriptor.idProduct, 0x0201);
  for (int i = 0; i < oru::kPipeCount; ++i) EXPECT_NE(Ext()->pipeHandles[i], nullptr);
  std::vector<usb::UrbRecord> select =
      Select(Urbs(port), IOCTL_INTERNAL_USB_SUBMIT_URB, URB_FUNCTION_SELECT_CONFIGURATION);
  ASSERT_EQ(select.size(), 1u);
  EXPECT_TRUE(NT_SUCCESS(select[0].status));
  // Any number of opens; each closes cleanly.
  HANDLE a = Open(), b = Open(), c = Open(false);
  Close(b);
  Close(a);
  Close(c);
  EXPECT_TRUE(UnregisterDeviceNotification(notify));
}

TEST_P(PlugAndPlay, ConfigurationsOtherThanTheSixEndpointsFailStart) {
  std::vector<EndpointDesc> five = InstrumentEndpoints();
  five.pop_back();
  std::vector<EndpointDesc> seven = InstrumentEndpoints();
  seven.push_back({0x84, 2, 64});
  std::vector<EndpointDesc> smallIso = InstrumentEndpoints();
  smallIso[4].maxPacket = 64;
  std::vector<EndpointDesc> swapped = InstrumentEndpoints();
  std::swap(swapped[0], swapped[1]);
  for (auto* endpoints : {&five, &seven, &smallIso, &swapped}) {
    ScriptedDevice& device = NewDevice(*endpoints);
    int port = M().plug(device);
    ASSERT_NE(port, 0);
    nt::DevNodeInfo info = M().device(port);
    EXPECT_EQ(info.state, nt::DevNodeState::StartFailed);
    EXPECT_EQ(info.problem, STATUS_DEVICE_CONFIGURATION_ERROR);
    // The failed start is followed by removal: nothing is left to open.
    EXPECT_EQ(CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(Select(Urbs(port), IOCTL_INTERNAL_USB_SUBMIT_URB, URB_FUNCTION_SELECT_CONFIGURATION).empty());
    M().unplug(port);
  }
}

TEST_P(PlugAndPlay, ASecondInstrumentFailsAddDeviceAndTheFirstKeepsWorking) {
  ScriptedDevice& first = NewDevice();
  int port1 = PlugStarted(first);
  ScriptedDevice& second = NewDevice();
  int port2 = M().plug(second);
  nt::DevNodeInfo info = M().device(port2);
  EXPECT_EQ(info.state, nt::DevNodeState::AddFailed);
  EXPECT_EQ(info.problem, STATUS_OBJECT_NAME_COLLISION);
  EXPECT_EQ(M().kernel().io().devicesOf(M().driver(oru::kServiceName)).size(), 1u);

  ExpectCommandAnswered(Open(), first);
  EXPECT_TRUE(second.bulkOutBytes(0x01).empty());
  EXPECT_EQ(second.configuration(), 0);
  EXPECT_EQ(M().device(port1).state, nt::DevNodeState::Started);
}

TEST_P(PlugAndPlay, AReadIssuedBeforeStartRunsAfterStart) {
  StartAndOpen();
  ASSERT_EQ(Send(port_, IRP_MN_QUERY_STOP_DEVICE), STATUS_SUCCESS);
  ASSERT_EQ(Send(port_, IRP_MN_STOP_DEVICE), STATUS_SUCCESS);
  // Stopped after a query-stop: the device was returned to the unconfigured state.
  EXPECT_EQ(M().bus().configuration(port_), 0);
  EXPECT_EQ(Ext()->pnpState, oru::kPnpNotStarted);
  M().bus().clearRequests(port_);

  auto early = StartRead(h_, 64);
  auto later = StartRead(h_, 64);
  EXPECT_TRUE(StillPending(h_, *early));
  EXPECT_TRUE(Urbs(port_).empty());  // not even the vendor request: the device is not started

  device_->queueIn(0x81, "one");
  device_->queueIn(0x81, "two");
  ASSERT_EQ(Send(port_, IRP_MN_START_DEVICE), STATUS_SUCCESS);
  DWORD bytes = 0;
  ASSERT_EQ(Finish(h_, *early, &bytes), 0u);
  EXPECT_EQ(std::string(early->buffer.begin(), early->buffer.begin() + bytes), "one");
  ASSERT_EQ(Finish(h_, *later, &bytes), 0u);
  EXPECT_EQ(std::string(later->buffer.begin(), later->buffer.begin() + bytes), "two");
  EXPECT_EQ(M().bus().configuration(port_), 1);
}

TEST_P(PlugAndPlay, QueryStopHoldsNewRequestsUntilCancelStop) {
  StartAndOpen();
  ASSERT_EQ(Send(port_, IRP_MN_QUERY_STOP_DEVICE), STATUS_SUCCESS);
  EXPECT_EQ(Ext()->pnpState, oru::kPnpStopPending);
  M().bus().clearRequests(port_);
  auto read = StartRead(h_, 64);
  EXPECT_TRUE(StillPending(h_, *read));
  EXPECT_EQ(BulkIns(port_), 0u);
  device_->queueIn(0x81, "held");
  ASSERT_EQ(Send(port_, IRP_MN_CANCEL_STOP_DEVICE), STATUS_SUCCESS);
  EXPECT_EQ(Ext()->pnpState, oru::kPnpStarted);
  ASSERT_EQ(Finish(h_, *read), 0u);
  EXPECT_EQ(std::string(read->buffer.begin(), read->buffer.begin() + 4), "held");
}

TEST_P(PlugAndPlay, QueriesAreRefusedWhileARequestIsBusy) {
  StartAndOpen();
  auto read = StartRead(h_, 64);
  ASSERT_TRUE(Eventually([&] { return M().bus().pendingTransfers(port_) == 1; }));
  EXPECT_EQ(Send(port_, IRP_MN_QUERY_REMOVE_DEVICE), STATUS_UNSUCCESSFUL);
  EXPECT_EQ(Send(port_, IRP_MN_QUERY_STOP_DEVICE), STATUS_UNSUCCESSFUL);
  EXPECT_EQ(Ext()->pnpState, oru::kPnpStarted);
  device_->queueIn(0x81, "done");
  ASSERT_EQ(Finish(h_, *read), 0u);
  // Nothing was stalled: the next request runs at once.
  device_->queueIn(0x81, "next");
  std::string data;
  ASSERT_EQ(Read(h_, 64, &data), 0u);
  EXPECT_EQ(data, "next");
}

TEST_P(PlugAndPlay, CancelRemoveAfterAnIdleQueryRemoveRestartsWaitingReads) {
  StartAndOpen();
  ASSERT_EQ(Send(port_, IRP_MN_QUERY_REMOVE_DEVICE), STATUS_SUCCESS);
  EXPECT_EQ(Ext()->pnpState, oru::kPnpRemovePending);
  auto read = StartRead(h_, 64);
  device_->queueIn(0x81, "back");
  EXPECT_TRUE(StillPending(h_, *read));
  ASSERT_EQ(Send(port_, IRP_MN_CANCEL_REMOVE_DEVICE), STATUS_SUCCESS);
  EXPECT_EQ(Ext()->pnpState, oru::kPnpStarted);
  ASSERT_EQ(Finish(h_, *read), 0u);
}

TEST_P(PlugAndPlay, ACancelledRemoveDoesNotUndoAStallItDidNotMake) {
  StartAndOpen();
  ASSERT_EQ(Send(port_, IRP_MN_QUERY_STOP_DEVICE), STATUS_SUCCESS);
  ASSERT_EQ(Send(port_, IRP_MN_QUERY_REMOVE_DEVICE), STATUS_SUCCESS);
  ASSERT_EQ(Send(port_, IRP_MN_CANCEL_REMOVE_DEVICE), STATUS_SUCCESS);
  EXPECT_EQ(Ext()->pnpState, oru::kPnpStopPending);
  EXPECT_EQ(Ext()->requestQueue.stallCount, 1);
  auto read = StartRead(h_, 64);
  device_->queueIn(0x81, "late");
  EXPECT_TRUE(StillPending(h_, *read));  // still held for the pending stop
  ASSERT_EQ(Send(port_, IRP_MN_CANCEL_STOP_DEVICE), STATUS_SUCCESS);
  ASSERT_EQ(Finish(h_, *read), 0u);
  EXPECT_EQ(Ext()->requestQueue.stallCount, 0);
}

TEST_P(PlugAndPlay, AStopWithoutQueryStopFailsRequestsUntilTheNextStart) {
  StartAndOpen();
  ASSERT_EQ(Send(port_, IRP_MN_STOP_DEVICE), STATUS_SUCCESS);
  EXPECT_EQ(M().bus().configuration(port_), 0);
  std::string data;
  EXPECT_EQ(Read(h_, 64, &data), DWORD(ERROR_ACCESS_DENIED));
  ASSERT_EQ(Send(port_, IRP_MN_START_DEVICE), STATUS_SUCCESS);
  EXPECT_EQ(Ext()->requestQueue.stallCount, 0);
  device_->queueIn(0x81, "works");
  ASSERT_EQ(Read(h_, 64, &data), 0u);
  EXPECT_EQ(data, "works");
}

TEST_P(PlugAndPlay, OrderlyRemovalDeletesTheDeviceAndItsName) {
  ScriptedDevice& device = NewDevice();
  int port = PlugStarted(device);
  HANDLE h = Open();
  Close(h);
  EXPECT_EQ(M().remove(port), nt::RemovalResult::Removed);
  EXPECT_EQ(CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  // The driver had no device left and was unloaded.
  EXPECT_EQ(M().driver(oru::kServiceName), nullptr);
}

TEST_P(PlugAndPlay, OtherRequestsPassThroughOrAreRefused) {
  ScriptedDevice& device = NewDevice();
  int port = PlugStarted(device);
  PDEVICE_OBJECT pdo = M().bus().pdo(port);
  ULONG viaDriver = 0, direct = 0;
  NTSTATUS a = SendIrp(Fdo(), IRP_MJ_INTERNAL_DEVICE_CONTROL, IOCTL_INTERNAL_USB_GET_PORT_STATUS, &viaDriver);
  NTSTATUS b = SendIrp(pdo, IRP_MJ_INTERNAL_DEVICE_CONTROL, IOCTL_INTERNAL_USB_GET_PORT_STATUS, &direct);
  EXPECT_EQ(a, b);
  EXPECT_EQ(viaDriver, direct);
  EXPECT_EQ(viaDriver, USBD_PORT_ENABLED | USBD_PORT_CONNECTED);
  EXPECT_EQ(SendIrp(Fdo(), IRP_MJ_SYSTEM_CONTROL), SendIrp(pdo, IRP_MJ_SYSTEM_CONTROL));
  EXPECT_EQ(SendIrp(Fdo(), IRP_MJ_FLUSH_BUFFERS), STATUS_INVALID_DEVICE_REQUEST);
  EXPECT_EQ(SendIrp(Fdo(), IRP_MJ_SHUTDOWN), STATUS_INVALID_DEVICE_REQUEST);
  // Minor functions the driver does not act on go down with their status untouched.
  EXPECT_EQ(Send(port, IRP_MN_READ_CONFIG), STATUS_NOT_SUPPORTED);
  EXPECT_EQ(Send(port, 0x19), STATUS_NOT_SUPPORTED);
}

INSTANTIATE_TEST_SUITE_P(Bus, PlugAndPlay, ::testing::Values(Completion::Inline, Completion::Deferred), CompletionName);

// Work items and PnP work run when the test pumps them, so the order of a surprise removal and the end of the busy
// request can be chosen.
class SurpriseRemoval : public PlugAndPlay {
 protected:
  platform::MachineOptions Options() const override {
    platform::MachineOptions options = DriverTest::Options();
    options.kernel.workerThread = false;
    return options;
  }
};

TEST_P(SurpriseRemoval, WaitingReadsFailTheInterfaceGoesAndTheNameFollowsTheLastClose) {
  win32::RecordingWindowTarget window;
  HDEVNOTIFY notify = WatchInterface(window);
  ASSERT_NE(notify, nullptr);

  ScriptedDevice& device = NewDevice();
  int port = PlugStarted(device);
  ASSERT_TRUE(window.WaitForMessage(WM_DEVICECHANGE, 10000));
  HANDLE h = Open();
  SetMode(h, oru::PIPE_MODE_BULK1);
  auto busy = StartRead(h, 64);
  ASSERT_TRUE(Eventually([&] { return M().bus().pendingTransfers(port) == 1; }));
  auto waiting = StartRead(h, 64);

  M().unplug(port);
  EXPECT_EQ(Finish(h, *waiting), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Ext()->pnpState, oru::kPnpSurpriseRemoved);
  ASSERT_TRUE(window.WaitForCount(WM_DEVICECHANGE, 2, 10000));
  EXPECT_EQ(window.Messages().back().wParam, DBT_DEVICEREMOVECOMPLETE);
  // New requests fail at once while the handle stays open.
  std::string data;
  EXPECT_EQ(Read(h, 64, &data), DWORD(ERROR_ACCESS_DENIED));
  // The busy read ends after its recovery.
  M().kernel().runWorkItems();
  EXPECT_NE(Finish(h, *busy), 0u);

  Close(h);
  M().pnp().runPending();
  EXPECT_EQ(M().device(port).state, nt::DevNodeState::Deleted);
  EXPECT_EQ(CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

  // Plugged in again, the instrument works as before.
  ScriptedDevice& again = NewDevice();
  PlugStarted(again);
  EXPECT_EQ(M().loadCount(oru::kServiceName), 2);
  ExpectCommandAnswered(Open(), again);
  EXPECT_TRUE(UnregisterDeviceNotification(notify));
}

TEST_P(SurpriseRemoval, RemovalWithAHandleOpenWaitsAndFreesEverythingOnce) {
  ScriptedDevice& device = NewDevice();
  int port = PlugStarted(device);
  HANDLE h = Open();
  M().unplug(port);
  EXPECT_EQ(M().device(port).state, nt::DevNodeState::SurpriseRemoved);
  EXPECT_EQ(Ext()->configDescriptor, nullptr);
  Close(h);
  M().pnp().runPending();
  EXPECT_EQ(M().device(port).state, nt::DevNodeState::Deleted);
  EXPECT_EQ(M().driver(oru::kServiceName), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Bus, SurpriseRemoval, ::testing::Values(Completion::Inline, Completion::Deferred),
                         CompletionName);

}  // namespace
}  // namespace drivertest
