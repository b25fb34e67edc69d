#include "link/store/HdlcProcessor.h"

#include "link/store/CaptBuf.h"

bool CHDLCProcessor::PutBit(bool one) {
  if (one) {
    accumulator = static_cast<UCHAR>(accumulator | outMask);
  } else {
    accumulator = static_cast<UCHAR>(accumulator & ~outMask);
  }
  outMask = static_cast<USHORT>(outMask << 1);
  if (outMask <= 0x80) return false;
  outputByte = accumulator;
  accumulator = 0;
  outMask = 1;
  return true;
}

USHORT CHDLCProcessor::Feed(UCHAR byte) {
  USHORT result = 0;
  lastInput = byte;
  for (inMask = 1; inMask < 256; inMask = static_cast<USHORT>(inMask << 1)) {
    const bool one = (byte & inMask) != 0;
    if (one) {
      if (onesCount == 6) {  // a seventh one: abort
        accumulator = 0;
        outMask = 1;
        onesCount = 0;
        inFrame = 0;
      } else {
        ++onesCount;
        if (PutBit(true)) result = HDLC_BYTE_READY;
      }
      continue;
    }
    if (onesCount == 6) {  // a flag: a frame begins or goes on
      accumulator = 0;
      outMask = 1;
      inFrame = 1;
    } else if (!inFrame) {
      if (onesCount != 0) {
        accumulator = 0;
        outMask = 1;
      }
    } else if (onesCount != 5) {  // after five ones the zero was stuffed: drop it
      if (PutBit(false)) result = HDLC_BYTE_READY;
    }
    onesCount = 0;
  }
  return result;
}
