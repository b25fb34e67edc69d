#pragma once

// What the unplug and reply-fault sweeps share: the short calls they capture, the stored
// session they download, and the check that stored records are the instrument's own, in order.

#include <string>
#include <vector>

#include "WorkerRig.h"
#include "sim/CallRenderer.h"
#include "link/store/LinkAccess.h"

namespace e2e {

// A V.32bis call: binary lines, data on every poll while it lasts (the instrument's clock moves
// 300 ms a command), ended right after its last byte.
inline const char* kSweepBinaryCall = R"(
scenario sweep-binary
at 0.0 dc 1 -8.0
call 0.5 "CONNECT 14400"
  rate 14400
  hex +0.1 answer 41 every 0.05 count 40
  event +0.5 originate 2 3 4 5
  end +2.2 code 9 text "NO CARRIER"
endcall
length 60
)";

// A V.22bis call: text lines of five items.
inline const char* kSweepTextCall = R"(
scenario sweep-text
at 0.0 dc 1 -8.0
call 0.5 "CONNECT 2400"
  rate 2400
  text +0.1 answer "HELLO WORLD ONE TWO" every 0.3 count 3
  end +1.1 code 9 text "NO CARRIER"
endcall
length 60
)";

constexpr int kSweepStepMs = 300;

inline sim::InstrumentOptions SweepOptions() { return PerCommandOptions(kSweepStepMs); }

// The bytes the instrument captures of the first call of `scenarioText`.
inline std::vector<sim::CapturedByte> RenderedBytes(const char* scenarioText) {
  return sim::renderCall(Scenario(scenarioText).calls.at(0)).bytes;
}

// A stored session of `count` bytes at `rate` (above 2400: binary lines).
inline sim::StoredSession SweepSession(int rate, int count) {
  sim::StoredSession session;
  session.used = true;
  session.name = "CONNECT " + std::to_string(rate);
  session.endText = "NO CARRIER";
  session.rate = rate;
  for (int i = 0; i < count; ++i) {
    sim::CapturedByte b;
    b.data = static_cast<uint8_t>(0x30 + i);
    b.attr = static_cast<uint8_t>((i % 2 ? 0x80 : 0) | (i / 8));
    b.fraction = static_cast<uint16_t>(i * 77);
    session.bytes.push_back(b);
  }
  return session;
}

// True when every stored record is one of `sent`, in the order sent, none twice, none invented.
inline bool RecordsAreInOrderSubsequence(CORUData& store, const std::vector<sim::CapturedByte>& sent,
                                         std::string* why) {
  auto& fields = LinkFields(store);
  std::lock_guard guard(fields.dataMutex);
  std::size_t at = 0;
  for (int i = 0; i < fields.captureBuffer.GetSize(); ++i) {
    const CCaptBuf& r = fields.captureBuffer[i];
    while (at < sent.size() &&
           !(sent[at].data == r.data && sent[at].attr == r.flags && sent[at].fraction == r.timeFraction))
      ++at;
    if (at == sent.size()) {
      *why = "record " + std::to_string(i) + " (data " + std::to_string(r.data) + ") is not the instrument's";
      return false;
    }
    ++at;
  }
  return true;
}

}  // namespace e2e
