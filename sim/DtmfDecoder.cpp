#include "sim/DtmfDecoder.h"

#include "sim/Reply.h"

namespace sim {

std::string DtmfDecoder::start(int line, Micros now) {
  if (line < 1 || line > kLineCount) {
    stop();
    return "dt:0:0";
  }
  lineNo_ = line;
  since_ = now;
  pending_.clear();
  return "dt:0:1";
}

std::string DtmfDecoder::poll(Micros now) {
  if (lineNo_ == 0) return "dt:2";
  for (const DigitEvent& d : line_.digitsDetected(lineNo_, since_, now)) pending_.push_back(d.digit);
  since_ = now;
  std::string reply = "dt:1:";
  size_t n = std::min(pending_.size(), kMaxReply - reply.size());
  reply += pending_.substr(0, n);
  pending_.erase(0, n);
  return reply;
}

std::string DtmfDecoder::stop() {
  lineNo_ = 0;
  pending_.clear();
  return "dt:2";
}

}  // namespace sim
