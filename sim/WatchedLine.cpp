#include "sim/WatchedLine.h"

#include <algorithm>

namespace sim {

Scenario playedForWatching(Scenario s) {
  if (s.repeat || s.calls.empty()) return s;
  Micros first = kForever;
  for (const CallScript& call : s.calls) first = std::min(first, call.at);
  const Micros lead = std::max<Micros>(0, kFirstCallAt - first);
  // Everything moves by the lead-in; a call's items are timed from the call and move with it.
  for (DcChange& dc : s.dc) dc.at += lead;
  for (StatusChange& status : s.status) status.at += lead;
  for (ToneSpan& tone : s.tones) {
    tone.start += lead;
    if (tone.end != kForever) tone.end += lead;
  }
  for (DtmfTone& digit : s.dtmf) digit.start += lead;
  for (CallScript& call : s.calls) call.at += lead;
  s.length += lead;
  s.repeat = true;
  return s;
}

}  // namespace sim
