#pragma once

// How the program reaches the instrument: the open sequence that both the worker and the main
// frame use, and the two device-control requests the worker sends. The names, codes and pipe modes
// are the ones the driver defines for both sides.

#include "driver/OruInterface.h"
#include "platform/win32/Win32Types.h"

// Opens the instrument overlapped, else without flags; on success selects the command pipes
// (result not checked). INVALID_HANDLE_VALUE when both opens fail.
HANDLE OpenInstrument();

// IOCTL_ORU_SET_PIPE_MODE with the one input byte `mode`; TRUE on success.
BOOL SetPipeMode(HANDLE device, UCHAR mode);

// IOCTL_ORU_VENDOR_OUT_1 with no buffers: the instrument drops every unread reply, so the answer
// to the abort that follows is the next thing read.
BOOL SendAbortRequest(HANDLE device);
