#pragma once

// Test helper: builds the line bits an HDLC transmitter sends (flags, payload with a zero
// stuffed after five ones, aborts), least significant bit first, and packs them into bytes.

#include <cstddef>
#include <vector>

#include "platform/nt/BaseTypes.h"

// Line bits, least significant first, as a transmitter sends them.
struct LineBits {
  std::vector<int> bits;

  void Flag() {
    for (int k = 0; k < 8; ++k) bits.push_back((0x7E >> k) & 1);
    ones = 0;  // a flag ends with a zero
  }
  // Payload byte with a 0 inserted after every five consecutive 1s; returns the position of
  // the byte's eighth data bit in the line.
  std::size_t Payload(UCHAR byte) {
    std::size_t eighth = 0;
    for (int k = 0; k < 8; ++k) {
      int bit = (byte >> k) & 1;
      bits.push_back(bit);
      if (k == 7) eighth = bits.size() - 1;
      ones = bit ? ones + 1 : 0;
      if (ones == 5) {
        bits.push_back(0);
        ones = 0;
      }
    }
    return eighth;
  }
  void Ones(int count) { bits.insert(bits.end(), static_cast<std::size_t>(count), 1); }
  // Packs into bytes, padding the last with 1s (an idle line).
  std::vector<UCHAR> Bytes() const {
    std::vector<UCHAR> out((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < out.size() * 8; ++i) {
      int bit = i < bits.size() ? bits[i] : 1;
      if (bit) out[i / 8] = static_cast<UCHAR>(out[i / 8] | (1 << (i % 8)));
    }
    return out;
  }
  int ones = 0;
};

// One frame: flag, stuffed payload, flag, padded with ones.
inline std::vector<UCHAR> StuffedFrame(const std::vector<UCHAR>& payload) {
  LineBits line;
  line.Flag();
  for (UCHAR byte : payload) line.Payload(byte);
  line.Flag();
  return line.Bytes();
}
