#pragma once

// The capture of modem calls: "CA:0" arms it, "CA:1" polls, "CA:2" stops; "TN" tells the
// closing text of the last call. Replies:
//   "ca:0"                  armed (the answer to CA:0)
//   "ca:3"                  armed, no call yet
//   "ca:0:<connect text>"   a call has connected; data lines follow
//   "ca:1:" + up to 5 items "CC:AA:TTTT:", or "ca#" + count + up to 15 binary records
//                           captured bytes (item 11 chooses the form)
//   "ca:1"                  running, nothing new yet (the PC backs off before polling again)
//   "ca:1:<code>"           the call has ended, every byte delivered; code 1..9
//   "ce:<n>"                the call failed before connecting (0..5)
//   "ca:2"                  idle;  "ca:4" the answer to CA:2
// A call that ends, or is stopped while it runs, is kept as stored session 1.

#include <string>

#include "sim/CallRenderer.h"
#include "sim/ConfigItems.h"
#include "sim/LineModel.h"
#include "sim/RealTimeClock.h"
#include "sim/StoredMemory.h"

namespace sim {

class CaptureEngine {
 public:
  enum class State { Idle, Armed, Running };

  CaptureEngine(const LineModel& line, StoredMemory& memory, const RealTimeClock& clock, const ConfigItems& config);

  std::string arm(Micros now);
  std::string poll(Micros now);
  std::string stop(Micros now);
  std::string closingText() const { return "tn:" + closingText_; }
  void reset() { state_ = State::Idle; }  // the line changed under the capture

  State state() const { return state_; }
  size_t bytesDelivered() const { return delivered_; }

 private:
  void keepSession(size_t count);

  const LineModel& line_;
  StoredMemory& memory_;
  const RealTimeClock& clock_;
  const ConfigItems& config_;
  State state_ = State::Idle;
  Micros armedAt_ = 0;
  size_t callIndex_ = 0;
  Micros callStart_ = 0;
  DateTime connectedAt_;
  RenderedCall rendered_;
  size_t delivered_ = 0;
  std::string closingText_;
};

}  // namespace sim
