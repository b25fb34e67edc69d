// The PnP and power requests a bus's own PDO answers, the same on the root bus and the USB bus:
// each minor function sent straight to a PDO that has no driver above it, with the status the
// sender put in the IRP, must come back with the bus's status, completed exactly once, and the
// PDO still there.

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <tuple>

#include "platform/machine/Machine.h"
#include "platform/nt/CallContext.h"
#include "platform/nt/IoRoutines.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/Pool.h"
#include "platform/nt/PowerRoutines.h"
#include "platform/nt/SystemIrp.h"
#include "tests/platform/usb/LoopbackDevice.h"

namespace {

enum class Bus { Root, Usb };

// What happens to IoStatus.Information, which the sender sets to kMark.
enum class Information { Kept, Cleared, Ids };
constexpr ULONG_PTR kMark = 0x5A5A;

enum class Caps { None, Full, OldVersion, Short };

struct RequestCase {
  const char* name;
  UCHAR major;
  UCHAR minor;
  NTSTATUS carried;
  NTSTATUS expected;
  Information information = Information::Kept;
  Caps caps = Caps::None;
  BUS_QUERY_ID_TYPE idType = BusQueryDeviceID;
  DEVICE_POWER_STATE powerState = PowerDeviceD0;
};

void PrintTo(const RequestCase& c, std::ostream* out) { *out << c.name; }
void PrintTo(Bus bus, std::ostream* out) { *out << (bus == Bus::Root ? "root" : "USB"); }

struct Answer {
  int completions = 0;
  IO_STATUS_BLOCK io{};
  NTSTATUS returned = STATUS_PENDING;  // what the dispatch routine returned (PnP only)
};

// Sends one PnP IRP straight to `pdo` and frees an id block it answers with.
Answer sendPnp(platform::Machine& machine, PDEVICE_OBJECT pdo, const RequestCase& c) {
  nt::Kernel& kernel = machine.kernel();
  nt::KernelScope scope(&kernel);
  DEVICE_CAPABILITIES caps{};
  caps.Size = c.caps == Caps::Short ? sizeof caps - 1 : sizeof caps;
  caps.Version = c.caps == Caps::OldVersion ? 0 : 1;
  Answer answer;
  PIRP irp = nt::allocateSystemIrp(kernel, pdo, [&](PIRP done) {
    ++answer.completions;
    answer.io = done->IoStatus;
  });
  if (!irp) return answer;
  irp->IoStatus.Status = c.carried;
  irp->IoStatus.Information = kMark;
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  next->MajorFunction = IRP_MJ_PNP;
  next->MinorFunction = c.minor;
  if (c.minor == IRP_MN_QUERY_CAPABILITIES) {
    next->Parameters.DeviceCapabilities.Capabilities = c.caps == Caps::None ? nullptr : &caps;
  }
  if (c.minor == IRP_MN_QUERY_ID) next->Parameters.QueryId.IdType = c.idType;
  answer.returned = nt::callSystemIrp(kernel, pdo, irp);
  if (c.caps == Caps::Full && NT_SUCCESS(answer.io.Status)) {
    EXPECT_EQ(caps.DeviceState[PowerSystemWorking], PowerDeviceD0);
    EXPECT_EQ(caps.DeviceState[PowerSystemSleeping3], PowerDeviceD3);
  }
  if (c.information == Information::Ids && answer.io.Information != 0 && answer.io.Information != kMark) {
    auto ids = reinterpret_cast<PWCHAR>(answer.io.Information);
    EXPECT_NE(ids[0], 0) << "an empty first id";
    ExFreePool(ids);
  }
  return answer;
}

// A root device no driver serves.
PDEVICE_OBJECT createRootPdo(platform::Machine& machine) {
  platform::DeviceRecord record;
  record.instanceId = "ROOT\\OTHER\\0000";
  record.hardwareIds = {"ROOT\\NOBODY"};
  if (!machine.createRootDevice(record)) return nullptr;
  return machine.rootBus().find(record.instanceId);
}

// A deterministic machine with one device on the chosen bus and no driver bound to it.
class BusPdo : public testing::TestWithParam<std::tuple<Bus, RequestCase>> {
 protected:
  void SetUp() override {
    machine = std::make_unique<platform::Machine>(platform::MachineOptions::deterministic());
    if (bus() == Bus::Root) {
      pdo = createRootPdo(*machine);
    } else {
      int port = machine->plug(device);
      pdo = port ? machine->bus().pdo(port) : nullptr;
    }
    ASSERT_NE(pdo, nullptr);
    ASSERT_EQ(machine->pnp().stackOf(machine->pnp().nodeOf(pdo)).size(), 1u) << "a driver is bound";
  }
  void TearDown() override { EXPECT_TRUE(machine->shutdown().empty()) << "the verifier found faults"; }

  Bus bus() const { return std::get<0>(GetParam()); }
  bool stillThere() { return bus() == Bus::Root ? machine->rootBus().owns(pdo) : machine->bus().portOf(pdo) != 0; }

  Answer sendPower(const RequestCase& c) {
    nt::KernelScope scope(&machine->kernel());
    Answer answer;
    POWER_STATE state{};
    state.DeviceState = c.powerState;
    auto done = [](PDEVICE_OBJECT, UCHAR, POWER_STATE, PVOID context, PIO_STATUS_BLOCK io) {
      auto a = static_cast<Answer*>(context);
      ++a->completions;
      a->io = *io;
    };
    EXPECT_EQ(PoRequestPowerIrp(pdo, c.minor, state, done, &answer, nullptr), STATUS_PENDING);
    EXPECT_TRUE(machine->power().waitIdle());
    return answer;
  }

  looptest::LoopbackDevice device;  // outlives the machine
  std::unique_ptr<platform::Machine> machine;
  PDEVICE_OBJECT pdo = nullptr;
};

TEST_P(BusPdo, AnswersWithTheBusStatusCompletesOnceAndStays) {
  const RequestCase& c = std::get<1>(GetParam());
  Answer answer = c.major == IRP_MJ_PNP ? sendPnp(*machine, pdo, c) : sendPower(c);
  EXPECT_EQ(answer.completions, 1);
  EXPECT_EQ(answer.io.Status, c.expected);
  if (c.major == IRP_MJ_PNP) {
    EXPECT_EQ(answer.returned, c.expected);
    switch (c.information) {
      case Information::Kept:
        EXPECT_EQ(answer.io.Information, kMark);
        break;
      case Information::Cleared:
        EXPECT_EQ(answer.io.Information, 0u);
        break;
      case Information::Ids:
        EXPECT_NE(answer.io.Information, kMark);
        break;
    }
  }
  EXPECT_TRUE(stillThere());
}

const RequestCase kRequests[] = {
    {"Start", IRP_MJ_PNP, IRP_MN_START_DEVICE, STATUS_NOT_SUPPORTED, STATUS_SUCCESS},
    {"QueryStop", IRP_MJ_PNP, IRP_MN_QUERY_STOP_DEVICE, STATUS_NOT_SUPPORTED, STATUS_SUCCESS},
    {"Stop", IRP_MJ_PNP, IRP_MN_STOP_DEVICE, STATUS_NOT_SUPPORTED, STATUS_SUCCESS},
    {"CancelStop", IRP_MJ_PNP, IRP_MN_CANCEL_STOP_DEVICE, STATUS_NOT_SUPPORTED, STATUS_SUCCESS},
    {"QueryRemove", IRP_MJ_PNP, IRP_MN_QUERY_REMOVE_DEVICE, STATUS_NOT_SUPPORTED, STATUS_SUCCESS},
    {"CancelRemove", IRP_MJ_PNP, IRP_MN_CANCEL_REMOVE_DEVICE, STATUS_NOT_SUPPORTED, STATUS_SUCCESS},
    {"SurpriseRemoval", IRP_MJ_PNP, IRP_MN_SURPRISE_REMOVAL, STATUS_NOT_SUPPORTED, STATUS_SUCCESS},
    // The device is still there: its PDO stays for a later start.
    {"RemoveWhilePresent", IRP_MJ_PNP, IRP_MN_REMOVE_DEVICE, STATUS_NOT_SUPPORTED, STATUS_SUCCESS},
    {"PnpDeviceState", IRP_MJ_PNP, IRP_MN_QUERY_PNP_DEVICE_STATE, STATUS_NOT_SUPPORTED, STATUS_SUCCESS,
     Information::Cleared},
    {"Capabilities", IRP_MJ_PNP, IRP_MN_QUERY_CAPABILITIES, STATUS_NOT_SUPPORTED, STATUS_SUCCESS, Information::Kept,
     Caps::Full},
    {"CapabilitiesOfVersion0", IRP_MJ_PNP, IRP_MN_QUERY_CAPABILITIES, STATUS_NOT_SUPPORTED, STATUS_UNSUCCESSFUL,
     Information::Kept, Caps::OldVersion},
    {"CapabilitiesTooShort", IRP_MJ_PNP, IRP_MN_QUERY_CAPABILITIES, STATUS_NOT_SUPPORTED, STATUS_UNSUCCESSFUL,
     Information::Kept, Caps::Short},
    {"CapabilitiesWithoutARecord", IRP_MJ_PNP, IRP_MN_QUERY_CAPABILITIES, STATUS_NOT_SUPPORTED, STATUS_UNSUCCESSFUL},
    {"DeviceId", IRP_MJ_PNP, IRP_MN_QUERY_ID, STATUS_NOT_SUPPORTED, STATUS_SUCCESS, Information::Ids, Caps::None,
     BusQueryDeviceID},
    {"HardwareIds", IRP_MJ_PNP, IRP_MN_QUERY_ID, STATUS_NOT_SUPPORTED, STATUS_SUCCESS, Information::Ids, Caps::None,
     BusQueryHardwareIDs},
    {"InstanceId", IRP_MJ_PNP, IRP_MN_QUERY_ID, STATUS_NOT_SUPPORTED, STATUS_SUCCESS, Information::Ids, Caps::None,
     BusQueryInstanceID},
    // What a bus does not answer keeps the status it carries, failure or success.
    {"SerialNumberId", IRP_MJ_PNP, IRP_MN_QUERY_ID, STATUS_NOT_SUPPORTED, STATUS_NOT_SUPPORTED, Information::Kept,
     Caps::None, BusQueryDeviceSerialNumber},
    {"BusInformation", IRP_MJ_PNP, IRP_MN_QUERY_BUS_INFORMATION, STATUS_NOT_SUPPORTED, STATUS_NOT_SUPPORTED},
    {"ResourcesPassedOnSuccess", IRP_MJ_PNP, IRP_MN_QUERY_RESOURCES, STATUS_SUCCESS, STATUS_SUCCESS},
    {"SetPowerD0", IRP_MJ_POWER, IRP_MN_SET_POWER, STATUS_NOT_SUPPORTED, STATUS_SUCCESS},
    {"QueryPowerD3", IRP_MJ_POWER, IRP_MN_QUERY_POWER, STATUS_NOT_SUPPORTED, STATUS_SUCCESS, Information::Kept,
     Caps::None, BusQueryDeviceID, PowerDeviceD3},
    {"WaitWake", IRP_MJ_POWER, IRP_MN_WAIT_WAKE, STATUS_NOT_SUPPORTED, STATUS_NOT_SUPPORTED},
};

INSTANTIATE_TEST_SUITE_P(Table, BusPdo,
                         testing::Combine(testing::Values(Bus::Root, Bus::Usb), testing::ValuesIn(kRequests)),
                         [](const testing::TestParamInfo<BusPdo::ParamType>& info) {
                           return std::string(std::get<0>(info.param) == Bus::Root ? "Root" : "Usb") +
                                  std::get<1>(info.param).name;
                         });

// A root device taken away: START is refused and REMOVE deletes its PDO.
TEST(RootBusPdo, AGoneDeviceIsNotStartedAndItsRemoveDeletesThePdo) {
  platform::Machine machine(platform::MachineOptions::deterministic());
  PDEVICE_OBJECT pdo = createRootPdo(machine);
  ASSERT_NE(pdo, nullptr);
  machine.rootBus().unplug(pdo);
  Answer start = sendPnp(machine, pdo, {"Start", IRP_MJ_PNP, IRP_MN_START_DEVICE, STATUS_NOT_SUPPORTED, 0});
  EXPECT_EQ(start.completions, 1);
  EXPECT_EQ(start.io.Status, STATUS_NO_SUCH_DEVICE);
  EXPECT_EQ(start.returned, STATUS_NO_SUCH_DEVICE);
  EXPECT_TRUE(machine.rootBus().owns(pdo));
  machine.pnp().deviceMissing(pdo);
  EXPECT_FALSE(machine.rootBus().owns(pdo));
  EXPECT_TRUE(machine.rootBus().instanceIds().empty());
  EXPECT_TRUE(machine.shutdown().empty());
}

}  // namespace
