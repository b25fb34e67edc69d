#pragma once

// The I/O manager's system-service side: what user-mode device I/O (CreateFile, ReadFile,
// WriteFile, DeviceIoControl, CancelIo, CloseHandle) is built on.
//
// - openDevice resolves "\\.\X" through the symbolic link "\??\X" (= "\DosDevices\X") to a device,
//   sends IRP_MJ_CREATE to the top of its stack and waits for it; the file holds a reference on
//   the device. A missing name gives STATUS_OBJECT_NAME_NOT_FOUND (ERROR_FILE_NOT_FOUND).
// - closeFile sends IRP_MJ_CLEANUP (a refusal is ignored) and IRP_MJ_CLOSE and waits for each;
//   nothing pending is cancelled. The file's memory lives on until its last request completes.
// - readFile / writeFile / deviceIoControl send one IRP to the top of the device's stack, recording
//   the calling thread, with the buffering the device or the control code asks for. They return
//   what the driver's dispatch routine returned (STATUS_PENDING while it is in progress). When the
//   request was issued, `done` runs exactly once, when its completion reaches the top (buffered
//   output copied back before); when it could not be issued (closed file, no memory) the call
//   returns the failure and `done` never runs.
// - cancelFileIo cancels the calling thread's requests on a file and waits (bounded by the kernel's
//   cancelWaitMs) for them to complete; a thread's remaining requests are cancelled the same way
//   when it ends.
//
// A file pointer must not be used after closeFile. This header stays small so that user-mode
// code can include it next to its own platform headers.

#include <string_view>

#include "platform/nt/BaseTypes.h"
#include "platform/nt/IoForward.h"
#include "platform/nt/UserCompletion.h"

namespace nt {

class Kernel;

NTSTATUS openDevice(Kernel& kernel, std::u16string_view path, PFILE_OBJECT* file);
NTSTATUS openDevice(Kernel& kernel, std::string_view path, PFILE_OBJECT* file);
NTSTATUS closeFile(PFILE_OBJECT file);
NTSTATUS readFile(PFILE_OBJECT file, PVOID buffer, ULONG length, UserCompletion done);
NTSTATUS writeFile(PFILE_OBJECT file, const VOID* buffer, ULONG length, UserCompletion done);
NTSTATUS deviceIoControl(PFILE_OBJECT file, ULONG code, const VOID* input, ULONG inputLength, PVOID output,
                         ULONG outputLength, UserCompletion done);
void cancelFileIo(PFILE_OBJECT file);
void cancelThreadIo();
// The kernel a file belongs to.
Kernel& kernelOfFile(PFILE_OBJECT file);

}  // namespace nt
