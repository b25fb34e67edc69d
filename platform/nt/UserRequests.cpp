#include "platform/nt/UserRequests.h"

#include <condition_variable>
#include <mutex>

#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/RequestBuffers.h"
#include "platform/nt/ThreadIo.h"

namespace nt {

namespace {

// FILE_OBJECT is the first member of the standard-layout FileRecord.
FileRecord* recordOf(PFILE_OBJECT file) { return reinterpret_cast<FileRecord*>(file); }

using Setup = bool (*)(IrpRecord* record, PDEVICE_OBJECT top, const void* args);

// `issued` tells whether the IRP went to the driver (and `done` will run).
NTSTATUS issue(FileRecord* file, UCHAR major, Setup setup, const void* args, UserCompletion done,
               bool* issued = nullptr) {
  if (issued) *issued = false;
  Kernel& kernel = *file->kernel;
  KernelScope scope(&kernel);
  PDEVICE_OBJECT top = kernel.io().topOfStack(file->device);
  IrpRecord* record = kernel.io().allocateIrp(top->StackSize, IrpOrigin::User, nullptr);
  if (!record) return STATUS_INSUFFICIENT_RESOURCES;
  PIRP irp = record->irp;
  irp->RequestorMode = UserMode;
  irp->Tail.Overlay.OriginalFileObject = &file->file;
  record->thread = currentThreadIo();
  irp->Tail.Overlay.Thread = record->thread.get();
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  next->MajorFunction = major;
  next->FileObject = &file->file;
  if (setup && !setup(record, top, args)) {
    freeRequestBuffers(record);
    kernel.io().releaseIrp(record);
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  record->completion = std::move(done);
  kernel.io().referenceFile(file);
  record->file = file;
  addThreadRequest(record);
  if (issued) *issued = true;
  return kernel.io().callDriver(top, record, /*fromUser=*/true);
}

// Sends a request and waits for its completion.
NTSTATUS issueAndWait(FileRecord* file, UCHAR major, Setup setup, const void* args) {
  if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
    file->kernel->verifier().record(Violation::SyncCallAtDispatch,
                                    "synchronous request at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
  struct Waiter {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    NTSTATUS status = STATUS_PENDING;
  };
  auto waiter = std::make_shared<Waiter>();
  bool issued;
  NTSTATUS status = issue(
      file, major, setup, args,
      [waiter](NTSTATUS s, ULONG_PTR) {
        std::lock_guard lock(waiter->mutex);
        waiter->status = s;
        waiter->finished = true;
        waiter->done.notify_all();
      },
      &issued);
  if (!issued) return status;
  std::unique_lock lock(waiter->mutex);
  waiter->done.wait(lock, [&] { return waiter->finished; });
  return waiter->status;
}

struct TransferArgs {
  PVOID buffer;
  ULONG length;
  bool isRead;
};

bool setupTransfer(IrpRecord* record, PDEVICE_OBJECT top, const void* args) {
  auto a = static_cast<const TransferArgs*>(args);
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(record->irp);
  if (a->isRead) {
    next->Parameters.Read.Length = a->length;
  } else {
    next->Parameters.Write.Length = a->length;
  }
  return setupTransferBuffers(record, top, a->buffer, a->length, a->isRead);
}

struct ControlArgs {
  ULONG code;
  PVOID input;
  ULONG inputLength;
  PVOID output;
  ULONG outputLength;
};

bool setupControl(IrpRecord* record, PDEVICE_OBJECT, const void* args) {
  auto a = static_cast<const ControlArgs*>(args);
  return setupDeviceControlBuffers(record, a->code, a->input, a->inputLength, a->output, a->outputLength);
}

}  // namespace

NTSTATUS openDevice(Kernel& kernel, std::u16string_view path, PFILE_OBJECT* file) {
  *file = nullptr;
  KernelScope scope(&kernel);
  PDEVICE_OBJECT device;
  NTSTATUS status = kernel.io().openDeviceByPath(path, &device);
  if (!NT_SUCCESS(status)) return status;
  FileRecord* record = kernel.io().newFile(device);  // takes over the device reference
  status = issueAndWait(record, IRP_MJ_CREATE, nullptr, nullptr);
  if (!NT_SUCCESS(status)) {
    record->closed = true;
    kernel.io().dereferenceFile(record);
    return status;
  }
  *file = &record->file;
  return STATUS_SUCCESS;
}

NTSTATUS openDevice(Kernel& kernel, std::string_view path, PFILE_OBJECT* file) {
  return openDevice(kernel, std::u16string_view(widen(path)), file);
}

NTSTATUS closeFile(PFILE_OBJECT file) {
  FileRecord* record = recordOf(file);
  if (record->closed) return STATUS_INVALID_HANDLE;
  record->closed = true;
  issueAndWait(record, IRP_MJ_CLEANUP, nullptr, nullptr);
  issueAndWait(record, IRP_MJ_CLOSE, nullptr, nullptr);
  record->kernel->io().dereferenceFile(record);
  return STATUS_SUCCESS;
}

NTSTATUS readFile(PFILE_OBJECT file, PVOID buffer, ULONG length, UserCompletion done) {
  FileRecord* record = recordOf(file);
  if (record->closed) return STATUS_INVALID_HANDLE;
  TransferArgs args{buffer, length, true};
  return issue(record, IRP_MJ_READ, setupTransfer, &args, std::move(done));
}

NTSTATUS writeFile(PFILE_OBJECT file, const VOID* buffer, ULONG length, UserCompletion done) {
  FileRecord* record = recordOf(file);
  if (record->closed) return STATUS_INVALID_HANDLE;
  TransferArgs args{const_cast<PVOID>(buffer), length, false};
  return issue(record, IRP_MJ_WRITE, setupTransfer, &args, std::move(done));
}

NTSTATUS deviceIoControl(PFILE_OBJECT file, ULONG code, const VOID* input, ULONG inputLength, PVOID output,
                         ULONG outputLength, UserCompletion done) {
  FileRecord* record = recordOf(file);
  if (record->closed) return STATUS_INVALID_HANDLE;
  ControlArgs args{code, const_cast<PVOID>(input), inputLength, output, outputLength};
  return issue(record, IRP_MJ_DEVICE_CONTROL, setupControl, &args, std::move(done));
}

void cancelFileIo(PFILE_OBJECT file) { cancelThreadRequests(file); }

void cancelThreadIo() { cancelThreadRequests(nullptr); }

Kernel& kernelOfFile(PFILE_OBJECT file) { return *recordOf(file)->kernel; }

}  // namespace nt
