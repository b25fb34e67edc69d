#pragma once

// One capture event, or one entry of the instrument's stored-session directory.

#include <cstddef>
#include <string>

#include "link/store/CArray.h"
#include "platform/nt/BaseTypes.h"

// Flag-byte bits of an event.
constexpr UCHAR EVENT_SYNC = 0x08;   // synchronous (HDLC) session
constexpr UCHAR EVENT_4WIRE = 0x10;  // 4-wire line (directory entries)
constexpr UCHAR EVENT_7E1 = 0x20;    // 7E1 data format (directory entries)

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

// The longest texts a capture file holds in a header (the loader refuses longer ones).
constexpr std::size_t kEventDateLimit = 9;
constexpr std::size_t kEventNameLimit = 14;
constexpr std::size_t kEventTimeLimit = 9;
constexpr std::size_t kEventEndTextLimit = 16;

// Cuts the texts to what the file holds. Applied where an event is made or named, so that the
// views, a CSV export and the saved file show the same texts and a save and reload changes
// nothing.
inline void FitTextsToFile(CORUCaptureHeader& header) {
  if (header.startDate.size() > kEventDateLimit) header.startDate.resize(kEventDateLimit);
  if (header.eventName.size() > kEventNameLimit) header.eventName.resize(kEventNameLimit);
  if (header.startTime.size() > kEventTimeLimit) header.startTime.resize(kEventTimeLimit);
  if (header.endText.size() > kEventEndTextLimit) header.endText.resize(kEventEndTextLimit);
}

// The events of a capture, in capture order.
using CCaptureHeaderArray = CArray<CORUCaptureHeader>;
