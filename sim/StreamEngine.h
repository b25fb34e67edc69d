#pragma once

// The streamed signal of one line on the isochronous pipe 0x83. "DM:1", "DM:2" or "DM:3" start
// it ("dm"), "DM:0" stops it ("dm"). While it runs every bus frame (1 ms) carries one packet of
// 128 bytes: byte 0 counts the frames since the start (modulo 256, so a lost frame shows), then
// 16 samples of 7 bytes, 62.5 us apart: DC channel (2 bytes), AC channel (2 bytes), the sample's
// number in the frame (1 byte) and the low 16 bits of its time in microseconds (2 bytes), each
// value big-endian; the last 15 bytes are 0. Channel values are the corrected counts of the
// front end (512 = 0 V). Without a stream every frame's packet is empty.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/Calibration.h"
#include "sim/LineModel.h"

namespace sim {

constexpr size_t kStreamPacket = 128;
constexpr int kSamplesPerFrame = 16;
constexpr size_t kSampleBytes = 7;

class StreamEngine {
 public:
  StreamEngine(const LineModel& line, const Calibration& cal);

  std::string start(int line, Micros now);
  std::string stop();
  bool streaming() const { return line_ != 0; }
  int line() const { return line_; }

  // The packet of bus frame `frame`: 128 bytes while streaming, else empty.
  std::vector<uint8_t> packet(uint32_t frame);

 private:
  const LineModel& lineModel_;
  const Calibration& cal_;
  int line_ = 0;
  Micros startedAt_ = 0;
  std::optional<uint32_t> firstFrame_;
};

}  // namespace sim
