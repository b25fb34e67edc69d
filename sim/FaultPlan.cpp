#include "sim/FaultPlan.h"

#include <algorithm>

namespace sim {

void FaultPlan::unplugOnCommand(std::string prefix, int nth) {
  unplugPrefix_ = std::move(prefix);
  unplugCountdown_ = std::max(1, nth);
}

FaultPlan::Outcome FaultPlan::apply(std::string reply) {
  Outcome out;
  bool binary = reply.size() >= 4 && (reply.compare(0, 3, "ca#") == 0 || reply.compare(0, 3, "rd#") == 0);
  if (binary && binary_ && skipBinary_ > 0) {
    --skipBinary_;
  } else if (binary && binary_) {
    size_t n = static_cast<uint8_t>(reply[3]);
    switch (*binary_) {
      case BinaryFault::MissingRecords:
        reply.resize(n > 1 ? 4 + 4 * (n - 1) : 5);
        out.note = "binary line short of records";
        break;
      case BinaryFault::BadCount:
        reply[3] = 16;
        out.note = "binary count 16";
        break;
      case BinaryFault::CutRecord:
        reply.resize(reply.size() > 6 ? reply.size() - 2 : 4);
        out.note = "binary record cut";
        break;
    }
    binary_.reset();
  }
  if (skipReplies_ > 0) {
    --skipReplies_;
    out.reply = std::move(reply);
    return out;
  }
  if (garble_) {
    switch (*garble_) {
      case Garble::Prefix:
        if (!reply.empty()) reply[0] = '#';
        break;
      case Garble::Noise:
        for (size_t i = 3; i < reply.size(); i += 3) reply[i] = static_cast<char>(reply[i] ^ 0x20);
        break;
      case Garble::Truncate:
        reply.resize(std::max<size_t>(1, reply.size() / 2));
        break;
    }
    out.note += out.note.empty() ? "garbled" : ", garbled";
    garble_.reset();
  }
  out.reply = std::move(reply);
  if (drop_) {
    drop_ = false;
    out.fate = Fate::Drop;
  } else if (delay_ && out.reply.starts_with(delayPrefix_)) {
    out.fate = Fate::Delay;
    out.delay = *delay_;
    delay_.reset();
  } else if (late_) {
    late_ = false;
    out.fate = Fate::Late;
  }
  return out;
}

bool FaultPlan::unplugOn(std::string_view command) {
  if (unplugCountdown_ == 0 || command.substr(0, unplugPrefix_.size()) != unplugPrefix_) return false;
  return --unplugCountdown_ == 0;
}

bool FaultPlan::unplugOnIsoPacket() {
  if (isoCountdown_ == 0) return false;
  return --isoCountdown_ == 0;
}

bool FaultPlan::blankIsoPacket() {
  if (blankCount_ == 0) return false;
  if (blankAfter_ > 0) {
    --blankAfter_;
    return false;
  }
  --blankCount_;
  return true;
}

}  // namespace sim
