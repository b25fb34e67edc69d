#pragma once

// Modem-event bytes come in pairs: the first of a pair shows the marker, the second is hidden.
// The same rule runs on live capture lines (text and binary), downloads and file loading, so a
// capture looks the same whichever way it arrived. `state` is 1 when the next event byte opens a
// pair, 2 when it closes one.

#include "link/store/CaptBuf.h"

inline void PairModemEvent(CCaptBuf& record, int& state) {
  if (!record.IsModemEvent()) return;
  if (state == 1) {
    record.markerShown = 1;
    state = 2;
  } else {
    record.hidden = 1;
    state = 1;
  }
}
