#pragma once

// Recovery after a failed bulk piece, at PASSIVE_LEVEL in a system work item while the request stays busy: the port is
// checked and reset when it is connected but disabled, the pipe the piece used is reset, and then the request fails
// with the piece's status.

#include "platform/nt/Wdm.h"

namespace oru {

// `context` is the request's TransferContext.
IO_WORKITEM_ROUTINE RecoverTransferError;

}  // namespace oru
