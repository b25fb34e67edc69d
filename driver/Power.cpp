#include "driver/Power.h"

#include "driver/DeviceExtension.h"
#include "driver/Requests.h"

namespace oru {

namespace {

// States an event can find.
constexpr LONG kNew = 0;
constexpr LONG kSystemUpPassed = 1;
constexpr LONG kSystemUpDeviceIssued = 2;
constexpr LONG kSystemDownDeviceIssued = 3;
constexpr LONG kSystemDownPassed = 4;
constexpr LONG kDeviceUpPassed = 5;
constexpr LONG kDeviceDownPassed = 6;
constexpr LONG kDeviceQueryUpPassed = 9;
constexpr LONG kDeviceQueryDownPassed = 10;
constexpr LONG kFinal = 13;
constexpr int kStates = 14;

// The action for a state and an event; 0: none.
constexpr int kActions[kStates][3] = {
    {1, 0, 0},   // 0
    {0, 4, 0},   // 1
    {0, 0, 10},  // 2
    {0, 0, 11},  // 3
    {0, 5, 0},   // 4
    {0, 12, 0},  // 5
    {0, 8, 0},   // 6
    {0, 0, 0},   // 7
    {0, 0, 0},   // 8
    {0, 16, 0},  // 9
    {0, 18, 0},  // 10
    {0, 0, 0},   // 11
    {0, 0, 0},   // 12
    {0, 0, 0},   // 13
};

IO_COMPLETION_ROUTINE MainRequestDone;
REQUEST_POWER_COMPLETE DeviceRequestDone;

NTSTATUS MainRequestDone(PDEVICE_OBJECT device, PIRP irp, PVOID context) {
  (void)device;
  auto ctx = static_cast<PowerContext*>(context);
  ctx->status = irp->IoStatus.Status;
  return HandlePowerEvent(ctx, kPowerEventMainDone);
}

VOID DeviceRequestDone(PDEVICE_OBJECT device, UCHAR minorFunction, POWER_STATE state, PVOID context,
                       PIO_STATUS_BLOCK ioStatus) {
  (void)device;
  (void)minorFunction;
  (void)state;
  auto ctx = static_cast<PowerContext*>(context);
  ctx->status = ioStatus->Status;
  HandlePowerEvent(ctx, kPowerEventDeviceDone);
}

// The device state to ask for when the system goes to `system`: D0 for working; for sleeping and shutdown the bus's
// table entry, but never shallower than D3, which leaves D3 itself.
LONG DeviceStateFor(SYSTEM_POWER_STATE system) { return system == PowerSystemWorking ? PowerDeviceD0 : PowerDeviceD3; }

void RecordDevicePower(DeviceExtension* ext, LONG state) {
  ext->devicePower = state;
  POWER_STATE s;
  s.DeviceState = static_cast<DEVICE_POWER_STATE>(state);
  PoSetPowerState(ext->self, DevicePowerState, s);
}

}  // namespace

NTSTATUS HandlePowerEvent(PowerContext* ctx, int event) {
  DeviceExtension* ext = ctx->extension;
  bool resultSet = false;
  NTSTATUS result = STATUS_SUCCESS;
  auto setResult = [&](NTSTATUS value) {
    result = value;
    resultSet = true;
  };
  auto defaultResult = [&] {
    if (!resultSet) setResult(STATUS_SUCCESS);
  };
  int action = ctx->state >= 0 && ctx->state < kStates ? kActions[ctx->state][event] : 0;
  if (action == 0) return STATUS_UNSUCCESSFUL;

  for (;;) {
    switch (action) {
      case 1: {  // new request
        PIRP irp = ctx->request;
        IoMarkIrpPending(irp);
        ctx->holdsRemoveLock = NT_SUCCESS(IoAcquireRemoveLock(&ext->removeLock, irp));
        setResult(STATUS_PENDING);
        if (!ctx->holdsRemoveLock) {
          ctx->status = STATUS_DELETE_PENDING;
          action = 8;
        } else if (ctx->targetType == DevicePowerState) {
          action = 2;
        } else if (ctx->target.SystemState < ext->systemPower) {
          ctx->state = kSystemUpPassed;
          action = 3;
        } else {
          ctx->state = kSystemDownDeviceIssued;
          action = 6;
        }
        break;
      }
      case 2: {  // device request: which way
        bool moreAwake = ctx->target.DeviceState < ext->devicePower;
        if (ctx->minorFunction == IRP_MN_SET_POWER) {
          if (moreAwake) {
            ctx->state = kDeviceUpPassed;
            action = 3;
          } else {
            action = 13;
          }
        } else if (moreAwake) {
          ctx->state = kDeviceQueryUpPassed;
          action = 3;
        } else {
          action = 17;
        }
        break;
      }
      case 3: {  // pass the request down; the context may be gone once it is sent
        PIRP irp = ctx->request;
        IoCopyCurrentIrpStackLocationToNext(irp);
        IoSetCompletionRoutine(irp, MainRequestDone, ctx, TRUE, TRUE, TRUE);
        PoCallDriver(ext->lowerDevice, irp);
        return result;
      }
      case 4: {  // system power-up done
        if (!NT_SUCCESS(ctx->status)) {
          action = 8;
          break;
        }
        ctx->state = kSystemUpDeviceIssued;
        setResult(STATUS_MORE_PROCESSING_REQUIRED);
        if (ctx->minorFunction == IRP_MN_SET_POWER) {
          ext->systemPower = ctx->target.SystemState;
          if (ctx->target.SystemState == PowerSystemWorking) {
            // The system need not wait for the device: hand its request back now.
            PIRP irp = ctx->request;
            PoStartNextPowerIrp(irp);
            IoReleaseRemoveLock(&ext->removeLock, irp);
            ctx->holdsRemoveLock = FALSE;
            ctx->request = nullptr;
            setResult(STATUS_SUCCESS);
          }
        }
        action = 6;
        break;
      }
      case 5:  // system power-down done
        if (ctx->minorFunction == IRP_MN_SET_POWER) ext->systemPower = ctx->target.SystemState;
        action = 8;
        break;
      case 6:  // the device state for the system state
        ctx->deviceState = DeviceStateFor(ctx->target.SystemState);
        action = 7;
        break;
      case 7: {  // the driver's own device request
        if (ctx->deviceState == ext->devicePower) {
          ctx->status = STATUS_SUCCESS;
          action = kActions[ctx->state][kPowerEventDeviceDone];
          break;
        }
        POWER_STATE state;
        state.DeviceState = static_cast<DEVICE_POWER_STATE>(ctx->deviceState);
        NTSTATUS issued =
            PoRequestPowerIrp(ext->physicalDevice, ctx->minorFunction, state, DeviceRequestDone, ctx, nullptr);
        if (NT_SUCCESS(issued)) return result;
        ctx->status = issued;
        action = 8;
        break;
      }
      case 8: {  // finish
        if (PIRP irp = ctx->request) {
          PoStartNextPowerIrp(irp);
          if (event == kPowerEventMainDone) {
            setResult(ctx->status);
          } else {
            irp->IoStatus.Status = ctx->status;
            IoCompleteRequest(irp, IO_NO_INCREMENT);
            defaultResult();
          }
          if (ctx->holdsRemoveLock) IoReleaseRemoveLock(&ext->removeLock, irp);
          ctx->request = nullptr;
        }
        action = 9;
        break;
      }
      case 9:
        ctx->state = kFinal;
        ExFreePool(ctx);
        return result;
      case 10:  // system power-up: the device request is done
        defaultResult();
        action = 8;
        break;
      case 11:  // system power-down: the device request is done
        defaultResult();
        if (!NT_SUCCESS(ctx->status)) {
          action = 8;
        } else {
          ctx->state = kSystemDownPassed;
          action = 3;
        }
        break;
      case 12:  // device power-up done
        if (!NT_SUCCESS(ctx->status) || ctx->minorFunction != IRP_MN_SET_POWER) {
          action = 8;
          break;
        }
        RecordDevicePower(ext, ctx->target.DeviceState);
        setResult(STATUS_MORE_PROCESSING_REQUIRED);
        action = 15;
        break;
      case 13:
        action = 14;
        break;
      case 14:  // device power-down: record it, then pass it down
        ctx->state = kDeviceDownPassed;
        if (event == kPowerEventDeviceDone) setResult(STATUS_SUCCESS);
        if (ctx->target.DeviceState > ext->devicePower) RecordDevicePower(ext, ctx->target.DeviceState);
        action = 3;
        break;
      case 15:
        if (event == kPowerEventDeviceDone) setResult(STATUS_SUCCESS);
        action = 8;
        break;
      case 16:
        action = 8;
        break;
      case 17:
        ctx->state = kDeviceQueryDownPassed;
        action = 3;
        break;
      case 18:  // a lower driver that does not know the query answers "invalid parameter"
        // The request completes with its own status, not the completion routine's return: change both.
        if (ctx->status == STATUS_INVALID_PARAMETER) {
          ctx->status = STATUS_SUCCESS;
          if (ctx->request) ctx->request->IoStatus.Status = STATUS_SUCCESS;
        }
        action = 8;
        break;
      default:
        return STATUS_UNSUCCESSFUL;
    }
  }
}

NTSTATUS DispatchPower(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  NTSTATUS status = IoAcquireRemoveLock(&ext->removeLock, irp);
  if (!NT_SUCCESS(status)) {
    PoStartNextPowerIrp(irp);
    return CompleteRequestStatus(irp, status);
  }
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  if (stack->MinorFunction == IRP_MN_SET_POWER || stack->MinorFunction == IRP_MN_QUERY_POWER) {
    auto ctx = static_cast<PowerContext*>(ExAllocatePoolWithTag(NonPagedPool, sizeof(PowerContext), kTagPowerContext));
    if (!ctx) {
      PoStartNextPowerIrp(irp);
      status = CompleteRequestStatus(irp, STATUS_INSUFFICIENT_RESOURCES);
    } else {
      RtlZeroMemory(ctx, sizeof *ctx);
      ctx->extension = ext;
      ctx->request = irp;
      ctx->state = kNew;
      ctx->minorFunction = stack->MinorFunction;
      ctx->targetType = stack->Parameters.Power.Type;
      ctx->target = stack->Parameters.Power.State;
      status = HandlePowerEvent(ctx, kPowerEventNew);
    }
  } else {
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    status = PoCallDriver(ext->lowerDevice, irp);
  }
  IoReleaseRemoveLock(&ext->removeLock, irp);
  return status;
}

}  // namespace oru
