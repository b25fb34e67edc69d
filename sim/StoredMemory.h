#pragma once

// The instrument's memory of nine capture sessions and three signal traces, and the downloads
// that read them back.
//   "SH:n"  "sh:n:MM/DD/YY:hh:mm:ss:<end text>:<byte count, 4 hex>:<flags, 4 hex>", or "sh:n:0"
//           for an empty slot; flags 0x08 synchronous, 0x10 4-wire, 0x20 7E1.
//   "TH:n"  "th:n:MM/DD/YY:hh:mm:ss:<digits>:<trigger>:<ring-backs>:<level>:<range>:<span>:<line>"
//           (level signed decimal, the others 4 hex), or "th:n:0".
//   "RD:n"  starts session n: "rd:0:<name>:MM/DD/YY:hh:mm:ss"; each "RD" then gives one line,
//           "rd:1:" with up to 5 items "CC:AA:TTTT:" or "rd#" + count + up to 15 records of 4
//           bytes (item 11 decides, as for captures), and "rd:2" when the session is done (also
//           the answer to "RD" with no download open and to an empty slot).
//   "RT:n"  starts trace n: every "RT:n" and "RT" gives "rt:" + up to 12 samples "XXXX:"
//           (16-bit two's complement) and "rt" when the trace is done (slots 4..9 are empty).
// A new capture session or trace goes into slot 1; the others move down one slot and the last
// one is forgotten.

#include <array>
#include <string>
#include <vector>

#include "sim/CallRenderer.h"
#include "sim/RealTimeClock.h"

namespace sim {

constexpr uint8_t kSessionSync = 0x08;
constexpr uint8_t kSession4Wire = 0x10;
constexpr uint8_t kSession7E1 = 0x20;

struct StoredSession {
  bool used = false;
  std::string name;  // the connect text
  DateTime when;
  std::string endText;
  uint8_t flags = 0;
  int rate = 2400;
  std::vector<CapturedByte> bytes;
};

struct StoredTrace {
  bool used = false;
  DateTime when;
  std::string digits;
  int triggerType = 0;
  int ringbackCount = 0;
  int voltageLevel = 0;
  int scale = 0;
  int span = 0;
  int line = 1;
  std::vector<int> samples;
};

class StoredMemory {
 public:
  static constexpr int kSessions = 9;
  static constexpr int kTraces = 3;
  static constexpr size_t kMaxSessionBytes = 0xFFFF;

  std::string sessionHeader(int slot) const;  // slot 1..9
  std::string traceHeader(int slot) const;    // slot 1..3

  std::string startSessionDownload(int slot, int lineForm);
  std::string nextSessionLine();
  std::string startTraceDownload(int slot);
  std::string nextTraceLine();

  void storeSession(StoredSession session);
  void storeTrace(StoredTrace trace);
  void setSession(int slot, StoredSession session);
  void setTrace(int slot, StoredTrace trace);
  const StoredSession& session(int slot) const { return sessions_.at(slot - 1); }
  const StoredTrace& trace(int slot) const { return traces_.at(slot - 1); }

 private:
  std::array<StoredSession, kSessions> sessions_{};
  std::array<StoredTrace, kTraces> traces_{};
  int sessionSlot_ = 0;  // download in progress (0 = none)
  size_t sessionPos_ = 0;
  bool sessionBinary_ = false;
  int traceSlot_ = 0;
  size_t tracePos_ = 0;
};

}  // namespace sim
