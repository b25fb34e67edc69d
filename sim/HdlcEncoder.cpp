#include "sim/HdlcEncoder.h"

namespace sim {
namespace {

constexpr uint8_t kFlag = 0x7E;

void pushFlagBits(std::vector<bool>& bits, int from, int to) {
  for (int i = from; i < to; ++i) bits.push_back(((kFlag >> i) & 1) != 0);
}

}  // namespace

uint16_t HdlcEncoder::checkSequence(std::span<const uint8_t> bytes) {
  uint16_t crc = 0xFFFF;
  for (uint8_t b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; ++i)
      crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0x8408) : static_cast<uint16_t>(crc >> 1);
  }
  return static_cast<uint16_t>(~crc);
}

std::vector<uint8_t> HdlcEncoder::frame(std::span<const uint8_t> payload) {
  std::vector<bool> bits;
  if (padPhase_ != 0) pushFlagBits(bits, padPhase_, 8);  // finish the idle flag begun as padding
  pushFlagBits(bits, 0, 8);

  std::vector<uint8_t> body(payload.begin(), payload.end());
  uint16_t fcs = checkSequence(payload);
  body.push_back(static_cast<uint8_t>(fcs & 0xFF));
  body.push_back(static_cast<uint8_t>(fcs >> 8));
  int ones = 0;
  for (uint8_t b : body) {
    for (int i = 0; i < 8; ++i) {
      bool bit = ((b >> i) & 1) != 0;
      bits.push_back(bit);
      ones = bit ? ones + 1 : 0;
      if (ones == 5) {
        bits.push_back(false);
        ones = 0;
      }
    }
  }
  pushFlagBits(bits, 0, 8);
  padPhase_ = static_cast<int>((8 - bits.size() % 8) % 8);
  pushFlagBits(bits, 0, padPhase_);

  std::vector<uint8_t> out(bits.size() / 8, 0);
  for (size_t i = 0; i < bits.size(); ++i) {
    if (bits[i]) out[i / 8] = static_cast<uint8_t>(out[i / 8] | (1u << (i % 8)));
  }
  return out;
}

}  // namespace sim
