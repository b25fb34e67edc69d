#pragma once

// Turns a scripted call into the bytes the instrument captures: each data byte or modem-event
// byte with its attribute byte (bit 7 answer direction, bit 6 modem event, bits 0-5 the seconds
// since the connection modulo 64) and its 16-bit time (ten-thousandths of the second), in the
// order they are received. Bytes of one direction follow each other at the line rate.

#include <cstdint>
#include <vector>

#include "sim/Scenario.h"

namespace sim {

struct CapturedByte {
  Micros at = 0;  // since the connection
  uint8_t data = 0;
  uint8_t attr = 0;
  uint16_t fraction = 0;
};

constexpr uint8_t kAttrAnswer = 0x80;
constexpr uint8_t kAttrModemEvent = 0x40;

struct RenderedCall {
  std::vector<CapturedByte> bytes;
  Micros end = 0;  // when the call ends, after its last byte
};

RenderedCall renderCall(const CallScript& call);

// The attribute seconds and time fraction of a byte received `at` after the connection.
CapturedByte stampByte(Micros at, uint8_t data, uint8_t flags);

}  // namespace sim
