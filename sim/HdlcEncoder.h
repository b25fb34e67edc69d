#pragma once

// Puts HDLC frames on a synchronous line the way a modem sends them: opening flag 0x7E, the
// payload and its CRC-16/X.25 check sequence with a 0 stuffed after every five 1 bits, closing
// flag; bits go out least significant first and are packed into line bytes the same way. A burst
// that does not end on a byte boundary is padded with the first bits of an idle flag, which the
// next burst completes, so the bytes of one direction always form one valid bit stream.

#include <cstdint>
#include <span>
#include <vector>

namespace sim {

class HdlcEncoder {
 public:
  // The line bytes of one frame with its flags.
  std::vector<uint8_t> frame(std::span<const uint8_t> payload);

  // CRC-16/X.25 over bytes: the value sent as the check sequence (low byte first).
  static uint16_t checkSequence(std::span<const uint8_t> bytes);

 private:
  int padPhase_ = 0;  // flag bits already sent as padding at the end of the last burst
};

}  // namespace sim
