#include "platform/nt/RequestBuffers.h"

#include <algorithm>
#include <cstring>

#include "platform/nt/IoControlCodes.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/KernelPool.h"
#include "platform/nt/Mdl.h"
#include "platform/nt/MdlInternal.h"
#include "platform/nt/NtStatus.h"

namespace nt {

namespace {

constexpr ULONG kSystemBufferTag = poolTag("IoBf");

bool makeSystemBuffer(IrpRecord* record, ULONG length, const void* input, ULONG inputLength) {
  if (length == 0) return true;
  void* buffer = record->kernel->pool().allocate(NonPagedPool, length, kSystemBufferTag, nullptr);
  if (!buffer) return false;
  std::memset(buffer, 0, length);
  if (input && inputLength) std::memcpy(buffer, input, std::min(length, inputLength));
  record->systemBuffer = buffer;
  record->irp->AssociatedIrp.SystemBuffer = buffer;
  record->irp->Flags |= IRP_BUFFERED_IO | IRP_DEALLOCATE_BUFFER;
  return true;
}

bool makeMdl(IrpRecord* record, PVOID buffer, ULONG length, LOCK_OPERATION operation) {
  if (length == 0) return true;
  PMDL mdl = allocateMdl(*record->kernel, buffer, length, nullptr);
  if (!mdl) return false;
  MmProbeAndLockPages(mdl, record->irp->RequestorMode, operation);
  record->mdl = mdl;
  record->irp->MdlAddress = mdl;
  return true;
}

}  // namespace

bool setupTransferBuffers(IrpRecord* record, PDEVICE_OBJECT device, PVOID buffer, ULONG length, bool isRead) {
  PIRP irp = record->irp;
  if (device->Flags & DO_DIRECT_IO) return makeMdl(record, buffer, length, isRead ? IoWriteAccess : IoReadAccess);
  if (device->Flags & DO_BUFFERED_IO) {
    if (!makeSystemBuffer(record, length, isRead ? nullptr : buffer, isRead ? 0 : length)) return false;
    if (isRead && length) {
      irp->Flags |= IRP_INPUT_OPERATION;
      record->copyBackTo = buffer;
      record->copyBackLimit = length;
    }
    irp->UserBuffer = buffer;
    return true;
  }
  irp->UserBuffer = buffer;
  return true;
}

bool setupDeviceControlBuffers(IrpRecord* record, ULONG code, PVOID input, ULONG inputLength, PVOID output,
                               ULONG outputLength) {
  PIRP irp = record->irp;
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  next->Parameters.DeviceIoControl.OutputBufferLength = outputLength;
  next->Parameters.DeviceIoControl.InputBufferLength = inputLength;
  next->Parameters.DeviceIoControl.IoControlCode = code;
  next->Parameters.DeviceIoControl.Type3InputBuffer = nullptr;
  irp->UserBuffer = output;
  switch (METHOD_FROM_CTL_CODE(code)) {
    case METHOD_BUFFERED:
      if (!makeSystemBuffer(record, std::max(inputLength, outputLength), input, inputLength)) return false;
      if (output && outputLength) {
        irp->Flags |= IRP_INPUT_OPERATION;
        record->copyBackTo = output;
        record->copyBackLimit = outputLength;
      }
      return true;
    case METHOD_IN_DIRECT:
    case METHOD_OUT_DIRECT:
      if (!makeSystemBuffer(record, inputLength, input, inputLength)) return false;
      return makeMdl(record, output, outputLength,
                     METHOD_FROM_CTL_CODE(code) == METHOD_IN_DIRECT ? IoReadAccess : IoWriteAccess);
    default:
      next->Parameters.DeviceIoControl.Type3InputBuffer = input;
      return true;
  }
}

void copyBackRequestOutput(IrpRecord* record) {
  PIRP irp = record->irp;
  if (!record->copyBackTo || !record->systemBuffer || NT_ERROR(irp->IoStatus.Status)) return;
  ULONG_PTR count = irp->IoStatus.Information;
  if (count > record->copyBackLimit) {
    record->kernel->verifier().record(
        Violation::BufferOverrun, "IRP " + pointerText(irp) + " completed with Information " + std::to_string(count) +
                                      " for a buffer of " + std::to_string(record->copyBackLimit) + " bytes");
    count = record->copyBackLimit;
  }
  std::memcpy(record->copyBackTo, record->systemBuffer, count);
}

void freeRequestBuffers(IrpRecord* record) {
  if (record->mdl) {
    MmUnlockPages(record->mdl);
    freeMdl(*record->kernel, record->mdl);
    record->mdl = nullptr;
  }
  if (record->systemBuffer) {
    record->kernel->pool().free(record->systemBuffer);
    record->systemBuffer = nullptr;
  }
}

}  // namespace nt
