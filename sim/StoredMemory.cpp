#include "sim/StoredMemory.h"

#include <algorithm>

#include "sim/Reply.h"

namespace sim {
namespace {

// Cuts a free text so that `fixed` other characters and it fit one reply.
std::string fit(const std::string& text, size_t fixed) {
  size_t room = fixed >= kMaxReply ? 0 : kMaxReply - fixed;
  return text.substr(0, room);
}

}  // namespace

std::string StoredMemory::sessionHeader(int slot) const {
  const StoredSession& s = sessions_.at(slot - 1);
  std::string head = "sh:" + std::to_string(slot) + ":";
  if (!s.used) return head + "0";
  std::string tail =
      ":" + hex4(static_cast<unsigned>(std::min(s.bytes.size(), kMaxSessionBytes))) + ":" + hex4(s.flags);
  std::string front = head + s.when.date() + ":" + s.when.hh() + ":" + s.when.mm() + ":" + s.when.ss() + ":";
  return front + fit(s.endText, front.size() + tail.size()) + tail;
}

std::string StoredMemory::traceHeader(int slot) const {
  const StoredTrace& t = traces_.at(slot - 1);
  std::string head = "th:" + std::to_string(slot) + ":";
  if (!t.used) return head + "0";
  std::string front = head + t.when.date() + ":" + t.when.hh() + ":" + t.when.mm() + ":" + t.when.ss() + ":";
  std::string tail = ":" + hex4(static_cast<unsigned>(t.triggerType)) + ":" +
                     hex4(static_cast<unsigned>(t.ringbackCount)) + ":" + std::to_string(t.voltageLevel) + ":" +
                     hex4(static_cast<unsigned>(t.scale)) + ":" + hex4(static_cast<unsigned>(t.span)) + ":" +
                     hex4(static_cast<unsigned>(t.line));
  return front + fit(t.digits, front.size() + tail.size()) + tail;
}

std::string StoredMemory::startSessionDownload(int slot, int lineForm) {
  sessionSlot_ = 0;
  const StoredSession& s = sessions_.at(slot - 1);
  if (!s.used) return "rd:2";
  sessionSlot_ = slot;
  sessionPos_ = 0;
  sessionBinary_ = binaryLines(lineForm, s.rate);
  std::string tail = ":" + s.when.date() + ":" + s.when.hh() + ":" + s.when.mm() + ":" + s.when.ss();
  return "rd:0:" + fit(s.name, 5 + tail.size()) + tail;
}

std::string StoredMemory::nextSessionLine() {
  if (sessionSlot_ == 0) return "rd:2";
  const StoredSession& s = sessions_.at(sessionSlot_ - 1);
  size_t total = std::min(s.bytes.size(), kMaxSessionBytes);
  if (sessionPos_ >= total) {
    sessionSlot_ = 0;
    return "rd:2";
  }
  std::string line;
  sessionPos_ += dataLine(line, sessionBinary_, "rd:1:", "rd#", s.bytes, sessionPos_, total - sessionPos_);
  return line;
}

std::string StoredMemory::startTraceDownload(int slot) {
  traceSlot_ = 0;
  if (slot < 1 || slot > kTraces || !traces_[slot - 1].used) return "rt";
  traceSlot_ = slot;
  tracePos_ = 0;
  return nextTraceLine();
}

std::string StoredMemory::nextTraceLine() {
  if (traceSlot_ == 0) return "rt";
  const StoredTrace& t = traces_[traceSlot_ - 1];
  if (tracePos_ >= t.samples.size()) {
    traceSlot_ = 0;
    return "rt";
  }
  std::string line = "rt:";
  while (tracePos_ < t.samples.size() && line.size() + 5 <= kMaxReply) {
    line += hex4(static_cast<unsigned>(t.samples[tracePos_++]) & 0xFFFF) + ":";
  }
  return line;
}

void StoredMemory::storeSession(StoredSession session) {
  session.used = true;
  if (session.bytes.size() > kMaxSessionBytes) session.bytes.resize(kMaxSessionBytes);
  std::move_backward(sessions_.begin(), sessions_.end() - 1, sessions_.end());
  sessions_[0] = std::move(session);
  sessionSlot_ = 0;
}

void StoredMemory::storeTrace(StoredTrace trace) {
  trace.used = true;
  std::move_backward(traces_.begin(), traces_.end() - 1, traces_.end());
  traces_[0] = std::move(trace);
  traceSlot_ = 0;
}

void StoredMemory::setSession(int slot, StoredSession session) {
  if (session.bytes.size() > kMaxSessionBytes) session.bytes.resize(kMaxSessionBytes);
  sessions_.at(slot - 1) = std::move(session);
  sessionSlot_ = 0;
}

void StoredMemory::setTrace(int slot, StoredTrace trace) {
  traces_.at(slot - 1) = std::move(trace);
  traceSlot_ = 0;
}

}  // namespace sim
