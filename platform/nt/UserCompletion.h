#pragma once

// How a user request reports its end (see UserRequests.h).

#include <functional>

#include "platform/nt/BaseTypes.h"

namespace nt {

// Called once when a user request's completion reaches the requester (any thread, any IRQL up to
// DISPATCH_LEVEL), after buffered output was copied back.
using UserCompletion = std::function<void(NTSTATUS status, ULONG_PTR information)>;

}  // namespace nt
