#include "sim/StreamEngine.h"

namespace sim {

StreamEngine::StreamEngine(const LineModel& line, const Calibration& cal) : lineModel_(line), cal_(cal) {}

std::string StreamEngine::start(int line, Micros now) {
  line_ = line;
  startedAt_ = now;
  firstFrame_.reset();
  return "dm";
}

std::string StreamEngine::stop() {
  line_ = 0;
  return "dm";
}

std::vector<uint8_t> StreamEngine::packet(uint32_t frame) {
  if (line_ == 0) return {};
  if (!firstFrame_ || frame < *firstFrame_) firstFrame_ = frame;
  uint32_t k = frame - *firstFrame_;
  std::vector<uint8_t> out(kStreamPacket, 0);
  out[0] = static_cast<uint8_t>(k & 0xFF);
  for (int j = 0; j < kSamplesPerFrame; ++j) {
    Micros at = startedAt_ + static_cast<Micros>(k) * kMicrosPerMilli + j * 125 / 2;
    int dc = cal_.dcCounts(line_, lineModel_.volts(line_, at));
    int ac = cal_.acCounts(line_, lineModel_.acVolts(line_, at));
    uint16_t stamp = static_cast<uint16_t>(at & 0xFFFF);
    uint8_t* s = &out[1 + static_cast<size_t>(j) * kSampleBytes];
    s[0] = static_cast<uint8_t>(dc >> 8);
    s[1] = static_cast<uint8_t>(dc & 0xFF);
    s[2] = static_cast<uint8_t>(ac >> 8);
    s[3] = static_cast<uint8_t>(ac & 0xFF);
    s[4] = static_cast<uint8_t>(j);
    s[5] = static_cast<uint8_t>(stamp >> 8);
    s[6] = static_cast<uint8_t>(stamp & 0xFF);
  }
  return out;
}

}  // namespace sim
