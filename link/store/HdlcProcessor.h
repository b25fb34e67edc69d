#pragma once

// HDLC bit de-stuffer of one direction: finds the 0x7E flags, drops the zero inserted after five
// ones, detects aborts (seven ones) and hands out each completed payload byte. Bits are taken
// least significant first, in and out. It keeps no buffers and never allocates.

#include "platform/nt/BaseTypes.h"

class CHDLCProcessor {
 public:
  CHDLCProcessor() = default;

  void Reset() { *this = CHDLCProcessor(); }
  // Processes the byte's eight bits; HDLC_BYTE_READY (0x80) when a payload byte was completed
  // during them (it is then in outputByte), else 0.
  USHORT Feed(UCHAR byte);

  UCHAR outputByte = 0;
  UCHAR lastInput = 0;
  USHORT outMask = 1;   // where the next payload bit goes
  USHORT inMask = 256;  // 256 = the last input byte is consumed
  UCHAR onesCount = 0;  // consecutive 1 bits seen
  UCHAR accumulator = 0;
  LONG inFrame = 0;  // 1 between an opening flag and an abort

 private:
  bool PutBit(bool one);  // true when the bit completed a byte
};
