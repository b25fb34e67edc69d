#pragma once

// How a simulated host controller runs.

#include <chrono>
#include <cstdint>

namespace usb {

struct BusOptions {
  // A bus thread completes transfers (at DISPATCH_LEVEL) and keeps the frame clock in real time.
  // Without it the bus is deterministic: frames advance only in runFrames(), and transfers that
  // cannot finish when they are submitted wait for runFrames() or pump().
  bool threaded = true;
  // Complete transfers that can finish at once inside IoCallDriver (raised to DISPATCH_LEVEL),
  // as a bus driver may. Always so without the bus thread.
  bool inlineCompletion = false;
  // Length of one frame of the real-time clock (tests may run it faster).
  std::chrono::microseconds frameLength{1000};
  // The frame number the clock starts at.
  uint32_t firstFrame = 1000;
  // An isochronous start frame this many frames in the past is still served (late packets go at
  // once); further back, or more than `framesAhead` ahead, it is refused with
  // USBD_STATUS_BAD_START_FRAME.
  uint32_t lateFrames = 1024;
  uint32_t framesAhead = 1024;
  // Largest MaximumTransferSize a pipe may be opened with at select-configuration.
  uint32_t maximumTransferSize = 1u << 20;
};

}  // namespace usb
