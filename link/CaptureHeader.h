#pragma once

// One capture event, or one entry of the instrument's stored-session directory.

#include <string>

#include "link/CArray.h"
#include "platform/nt/BaseTypes.h"

// Flag-byte bits of an event.
constexpr UCHAR EVENT_SYNC = 0x08;     // synchronous (HDLC) session
constexpr UCHAR EVENT_4WIRE = 0x10;    // 4-wire line (directory entries)
constexpr UCHAR EVENT_7E1 = 0x20;      // 7E1 data format (directory entries)

struct CORUCaptureHeader {
  bool IsSync() const { return (flags & EVENT_SYNC) != 0; }

  LONG reserved4 = 0;     // stored in capture files; nothing else uses it
  std::string eventName;  // e.g. the CONNECT text
  std::string startDate;  // "%m/%d/%y"
  std::string startTime;  // "%H:%M:%S"
  std::string endText;    // set when the event ends
  LONG firstIndex = 0;    // index in captureBuffer of the event's first byte
  LONG byteCount = 0;     // records of the event
  LONG reserved32 = 0;    // directory entry: the stored byte count
  UCHAR flags = 0;

  bool operator==(const CORUCaptureHeader&) const = default;
};

// The events of a capture, in capture order.
using CCaptureHeaderArray = CArray<CORUCaptureHeader>;
