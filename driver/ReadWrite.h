#pragma once

// Reads and writes. In pipe modes 1 and 2 a request is a bulk transfer cut into 64-byte pieces, one request at a time
// through the queue; a short piece ends it. In mode 3 a read is an isochronous transfer (IsoRead.h). A failed piece is
// followed by error recovery before the request ends.

#include "driver/RequestQueue.h"
#include "platform/nt/Wdm.h"
#include "platform/usb/Usb.h"

namespace oru {

// Which completion a transfer's context belongs to; the first field of both contexts.
enum class TransferKind : ULONG { Bulk = 1, Isochronous = 3 };

// One per bulk request, from its start to its end.
struct TransferContext {
  TransferKind kind;
  URB urb;                // the bulk transfer of the current piece
  ULONG_PTR nextAddress;  // where the next piece begins in the caller's buffer
  ULONG remaining;        // bytes not yet given to a piece
  PMDL pieceMdl;          // describes the current piece; rebuilt for every piece
  ULONG byteTotal;        // bytes the completed pieces moved
  PIO_WORKITEM workItem;  // recovery, when queued
  PIRP request;
};

DRIVER_DISPATCH DispatchReadWrite;
// The queue's start routine (DISPATCH_LEVEL).
QUEUE_START_ROUTINE StartTransfer;
// The completion step of bulk pieces and isochronous reads.
IO_COMPLETION_ROUTINE TransferComplete;
// Maps the descriptor for the driver, allowing the mapping to fail; NULL when it does.
PVOID MapPiece(PMDL mdl);

}  // namespace oru
