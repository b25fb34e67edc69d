#pragma once

// How the I/O manager hands a requester's buffers to drivers, by transfer kind: direct I/O (an MDL
// for a length above 0, none for 0), buffered I/O (a system buffer, copied back at completion) and
// neither (the requester's own pointers); device control by the code's method.

#include "platform/nt/IoManager.h"

namespace nt {

// Read or write through `device`'s buffering. False when out of memory.
bool setupTransferBuffers(IrpRecord* record, PDEVICE_OBJECT device, PVOID buffer, ULONG length, bool isRead);
// Device control by the method in `code`: METHOD_BUFFERED copies the input into a system buffer of
// max(in, out) bytes and Information bytes back; the DIRECT methods buffer the input and describe
// the output with an MDL; METHOD_NEITHER passes the pointers. False when out of memory.
bool setupDeviceControlBuffers(IrpRecord* record, ULONG code, PVOID input, ULONG inputLength, PVOID output,
                               ULONG outputLength);
// At completion: buffered output back to the requester (unless the status is an error); an
// Information beyond the requester's buffer is a verifier violation and is cut.
void copyBackRequestOutput(IrpRecord* record);
void freeRequestBuffers(IrpRecord* record);

}  // namespace nt
