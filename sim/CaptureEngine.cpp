#include "sim/CaptureEngine.h"

#include "sim/Reply.h"

namespace sim {

CaptureEngine::CaptureEngine(const LineModel& line, StoredMemory& memory, const RealTimeClock& clock,
                             const ConfigItems& config)
    : line_(line), memory_(memory), clock_(clock), config_(config) {}

std::string CaptureEngine::arm(Micros now) {
  if (state_ == State::Running) return errorReply(kErrState, "CA");
  state_ = State::Armed;
  armedAt_ = now;
  return "ca:0";
}

std::string CaptureEngine::poll(Micros now) {
  if (state_ == State::Idle) return "ca:2";
  if (state_ == State::Armed) {
    auto calls = line_.callsBetween(armedAt_, now);
    if (calls.empty()) return "ca:3";
    const CallScript& call = line_.scenario().calls[calls.front().index];
    if (!call.connects()) {
      if (calls.front().start + *call.failOffset > now) return "ca:3";
      state_ = State::Idle;
      return "ce:" + std::to_string(call.failCode);
    }
    state_ = State::Running;
    callIndex_ = calls.front().index;
    callStart_ = calls.front().start;
    connectedAt_ = clock_.at(callStart_);
    rendered_ = renderCall(call);
    delivered_ = 0;
    return "ca:0:" + call.connectText;
  }

  const CallScript& call = line_.scenario().calls[callIndex_];
  Micros elapsed = now - callStart_;
  size_t available = delivered_;
  while (available < rendered_.bytes.size() && rendered_.bytes[available].at <= elapsed) ++available;
  if (available > delivered_) {
    std::string reply;
    delivered_ += dataLine(reply, binaryLines(config_.value(kItemLineForm), call.rate), "ca:1:", "ca#", rendered_.bytes,
                           delivered_, available - delivered_);
    return reply;
  }
  if (delivered_ == rendered_.bytes.size() && elapsed >= rendered_.end) {
    closingText_ = call.endText;
    keepSession(rendered_.bytes.size());
    state_ = State::Idle;
    return "ca:1:" + std::to_string(call.endCode);
  }
  return "ca:1";
}

std::string CaptureEngine::stop(Micros now) {
  if (state_ == State::Running) {
    Micros elapsed = now - callStart_;
    size_t count = 0;
    while (count < rendered_.bytes.size() && rendered_.bytes[count].at <= elapsed) ++count;
    closingText_ = "CAPTURE STOPPED";
    keepSession(count);
  }
  state_ = State::Idle;
  return "ca:4";
}

void CaptureEngine::keepSession(size_t count) {
  const CallScript& call = line_.scenario().calls[callIndex_];
  StoredSession s;
  s.name = call.connectText;
  s.when = connectedAt_;
  s.endText = closingText_;
  s.flags = static_cast<uint8_t>((call.sync ? kSessionSync : 0) | (call.wires == 4 ? kSession4Wire : 0) |
                                 (call.sevenE1 ? kSession7E1 : 0));
  s.rate = call.rate;
  s.bytes.assign(rendered_.bytes.begin(), rendered_.bytes.begin() + static_cast<std::ptrdiff_t>(count));
  memory_.storeSession(std::move(s));
}

}  // namespace sim
