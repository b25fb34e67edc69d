#pragma once

// The C runtime's rand() recurrence, which the capture file's XOR stream is made of. Each file
// read or write owns one, so the stream never depends on another thread's draws.

#include "platform/nt/BaseTypes.h"

class CrtRandom {
 public:
  explicit CrtRandom(ULONG seed = 1) : state(seed) {}
  void Seed(ULONG seed) { state = seed; }
  // 0..32767
  ULONG Next() {
    state = state * 214013u + 2531011u;
    return (state >> 16) & 0x7FFF;
  }

 private:
  ULONG state;
};

constexpr ULONG CAPTURE_FILE_SEED = 736251;
constexpr ULONG TRACE_FILE_SEED = 4829137;
