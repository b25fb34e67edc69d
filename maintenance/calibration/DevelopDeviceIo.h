#pragma once

// The development dialog's own requests on the instrument, made on the user-interface thread
// beside the worker's: raw sends and reads on the command pipes, the meter's frame reads on the
// isochronous pipe and the pipe mode. One OVERLAPPED with its event and buffer serves them all;
// every wait is bounded and a request cut short is cancelled and waited for before the record
// is used again.

#include <memory>
#include <string>
#include <vector>

#include "driver/OruInterface.h"
#include "link/protocol/LinkContext.h"

class OverlappedIo;
class WorkerSignals;
struct IoSlot;

constexpr DWORD kDevelopWriteWaitMs = 500;  // 50 polls 10 ms apart
constexpr DWORD kDevelopReadWaitMs = 500;
constexpr DWORD kDevelopFrameWaitMs = 1000;
constexpr DWORD kDevelopReadSize = 64;
constexpr int kDevelopRepeatCount = 1000;

struct DevelopIoResult {
  bool succeeded = false;
  DWORD bytes = 0;
  DWORD error = 0;  // the failure's error code (995 when the request was cut short)
  std::vector<UCHAR> data;
};

class DevelopDeviceIo {
 public:
  explicit DevelopDeviceIo(LinkContext& context);
  ~DevelopDeviceIo();
  DevelopDeviceIo(const DevelopDeviceIo&) = delete;
  DevelopDeviceIo& operator=(const DevelopDeviceIo&) = delete;

  HANDLE Device() const { return context_.deviceHandle.load(); }

  // The text as it is (no terminator), once.
  DevelopIoResult Write(const std::string& text);
  // One read of at most `size` bytes, waited for at most `waitMs`.
  DevelopIoResult Read(DWORD size, DWORD waitMs);
  // Pipe mode 3 and the stream request, one frame read, pipe mode 1 again.
  DevelopIoResult ReadFrames(DWORD size, DWORD waitMs);
  void SetPipe(UCHAR mode);

 private:
  DevelopIoResult Collect(BOOL started, HANDLE device, DWORD waitMs, const IoSlot* keep);

  LinkContext& context_;
  std::unique_ptr<WorkerSignals> signals_;  // the program's exit cuts these waits short too
  std::unique_ptr<OverlappedIo> io_;
};
