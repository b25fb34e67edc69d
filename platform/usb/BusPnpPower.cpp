// The PDO's plug-and-play and power requests: ids, capabilities, start and removal (a PDO whose
// device is gone is deleted at REMOVE), and the power IRPs it records and completes.

#include <cstring>
#include <string>

#include "platform/nt/IoRoutines.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/Pool.h"
#include "platform/nt/PowerRoutines.h"
#include "platform/usb/BusPort.h"
#include "platform/usb/HostController.h"
#include "platform/usb/UsbDescriptors.h"

namespace usb {

namespace {

constexpr ULONG kIdTag = 0x64696855;  // "Uhid"

std::u16string hex4(unsigned v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", v & 0xFFFF);
    return std::u16string(text, text + 4);
}

// A REG_MULTI_SZ block in paged pool, as QUERY_ID answers (the PnP manager frees it).
PWCHAR multiString(const std::vector<std::u16string>& strings) {
    std::size_t chars = 1;
    for (const auto& s : strings) chars += s.size() + 1;
    auto block = static_cast<PWCHAR>(ExAllocatePoolWithTag(PagedPool, chars * sizeof(WCHAR), kIdTag));
    if (!block) return nullptr;
    PWCHAR at = block;
    for (const auto& s : strings) {
        std::memcpy(at, s.data(), s.size() * sizeof(WCHAR));
        at += s.size();
        *at++ = 0;
    }
    *at = 0;
    return block;
}

NTSTATUS finish(PIRP irp, NTSTATUS status) {
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

}  // namespace

NTSTATUS HostController::dispatchPnp(PDEVICE_OBJECT pdo, PIRP irp) {
    PIO_STACK_LOCATION location = IoGetCurrentIrpStackLocation(irp);
    auto port = findByPdo(pdo);
    if (!port) return finish(irp, STATUS_NO_SUCH_DEVICE);
    NTSTATUS status = irp->IoStatus.Status;  // minors a bus does not handle keep what they carry
    switch (location->MinorFunction) {
    case IRP_MN_START_DEVICE: {
        std::lock_guard lock(mutex_);
        status = port->gone ? STATUS_NO_SUCH_DEVICE : STATUS_SUCCESS;
        break;
    }
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_SURPRISE_REMOVAL:
        status = STATUS_SUCCESS;
        break;
    case IRP_MN_REMOVE_DEVICE: {
        bool gone;
        {
            std::lock_guard lock(mutex_);
            gone = port->gone;
        }
        if (!gone) {
            // Still plugged in: its transfers end and it returns to the unconfigured state.
            std::vector<UCHAR> endpoints;
            {
                std::lock_guard lock(mutex_);
                for (auto& [address, pipe] : port->pipes) endpoints.push_back(address);
            }
            for (UCHAR endpoint : endpoints) abortPipe(*port, endpoint);
            return finish(irp, STATUS_SUCCESS);
        }
        finish(irp, STATUS_SUCCESS);
        {
            std::lock_guard lock(mutex_);
            port->deleted = true;
        }
        IoDeleteDevice(pdo);
        return STATUS_SUCCESS;
    }
    case IRP_MN_QUERY_CAPABILITIES: {
        PDEVICE_CAPABILITIES caps = location->Parameters.DeviceCapabilities.Capabilities;
        if (!caps || caps->Version < 1 || caps->Size < sizeof(DEVICE_CAPABILITIES)) {
            status = STATUS_UNSUCCESSFUL;
            break;
        }
        DEVICE_CAPABILITIES mine = port->capabilities;
        mine.Size = caps->Size;
        mine.Version = caps->Version;
        mine.Address = static_cast<ULONG>(port->number);
        mine.UINumber = static_cast<ULONG>(port->number);
        *caps = mine;
        status = STATUS_SUCCESS;
        break;
    }
    case IRP_MN_QUERY_ID: {
        const auto& d = port->deviceDescriptor;
        auto word = [&](std::size_t at) -> unsigned { return d.size() > at + 1 ? d[at] | d[at + 1] << 8 : 0; };
        std::u16string device = u"USB\\VID_" + hex4(word(8)) + u"&PID_" + hex4(word(10));
        std::vector<std::u16string> strings;
        switch (location->Parameters.QueryId.IdType) {
        case BusQueryDeviceID: strings = {device}; break;
        case BusQueryHardwareIDs: strings = {device + u"&REV_" + hex4(word(12)), device}; break;
        case BusQueryInstanceID: strings = {std::u16string(u"5&2&") + nt::widen(std::to_string(port->number))}; break;
        default: break;
        }
        if (strings.empty()) break;
        PWCHAR block = multiString(strings);
        if (!block) {
            status = STATUS_INSUFFICIENT_RESOURCES;
            break;
        }
        irp->IoStatus.Information = reinterpret_cast<ULONG_PTR>(block);
        status = STATUS_SUCCESS;
        break;
    }
    case IRP_MN_QUERY_PNP_DEVICE_STATE:
        irp->IoStatus.Information = 0;
        status = STATUS_SUCCESS;
        break;
    default:
        break;
    }
    return finish(irp, status);
}

NTSTATUS HostController::dispatchPower(PDEVICE_OBJECT pdo, PIRP irp) {
    PIO_STACK_LOCATION location = IoGetCurrentIrpStackLocation(irp);
    PoStartNextPowerIrp(irp);
    NTSTATUS status = irp->IoStatus.Status;
    if (auto port = findByPdo(pdo)) {
        std::lock_guard lock(mutex_);
        port->power.push_back({location->MinorFunction, location->Parameters.Power.Type, location->Parameters.Power.State});
    }
    if (location->MinorFunction == IRP_MN_SET_POWER || location->MinorFunction == IRP_MN_QUERY_POWER) {
        status = STATUS_SUCCESS;
    }
    return finish(irp, status);
}

}  // namespace usb
