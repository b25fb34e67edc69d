#pragma once

// A thread as the I/O manager sees it: the user requests it issued that have not completed yet.
// CancelIo cancels the calling thread's requests on one file; when a thread ends, all of its
// requests are cancelled (as the platform does) and the thread waits, bounded, for them.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/nt/IoForward.h"

namespace nt {
struct IrpRecord;
}

struct _ETHREAD {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<nt::IrpRecord*> requests;
};

namespace nt {

// The calling thread's record (created on first use).
std::shared_ptr<_ETHREAD> currentThreadIo();
void addThreadRequest(IrpRecord* record);
void removeThreadRequest(IrpRecord* record);
// Cancels the calling thread's requests on `file` (all of them for NULL), then waits until they
// have completed or the kernels' cancel wait has passed.
void cancelThreadRequests(PFILE_OBJECT file);

}  // namespace nt
