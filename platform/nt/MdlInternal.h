#pragma once

// MDL allocation for the I/O manager's own use (no driver owns the block).

#include "platform/nt/DeviceObject.h"
#include "platform/nt/Mdl.h"

namespace nt {

class Kernel;

// Describes [va, va + length); NULL when out of memory.
PMDL allocateMdl(Kernel& kernel, PVOID va, ULONG length, PDRIVER_OBJECT owner);
void freeMdl(Kernel& kernel, PMDL mdl);

}  // namespace nt
