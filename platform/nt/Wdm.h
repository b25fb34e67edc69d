#pragma once

// Everything a driver includes: the kernel routines and records of this platform.

#include "platform/nt/BaseTypes.h"
#include "platform/nt/DeviceObject.h"
#include "platform/nt/Event.h"
#include "platform/nt/Guid.h"
#include "platform/nt/Interlocked.h"
#include "platform/nt/IoControlCodes.h"
#include "platform/nt/IoRoutines.h"
#include "platform/nt/Irp.h"
#include "platform/nt/Irql.h"
#include "platform/nt/ListEntry.h"
#include "platform/nt/Mdl.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/PnpPowerTypes.h"
#include "platform/nt/Pool.h"
#include "platform/nt/RemoveLock.h"
#include "platform/nt/RtlMemory.h"
#include "platform/nt/SpinLock.h"
#include "platform/nt/UnicodeString.h"
#include "platform/nt/WorkItem.h"
