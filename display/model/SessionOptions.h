#pragma once

// What the session lines and the read-out are drawn with: the display options of the store and
// the settings. Taken once per layout or paint, so a drawing sees one state.

#include "link/store/CaptBuf.h"
#include "shell/model/ViewType.h"

class CORUData;
class CaptureScope;

struct SessionOptions {
  ViewType viewType = ViewType::Ascii;  // any other value draws no data
  bool parity7E1 = false;
  bool sync = false;        // synchronous capture configured: every byte on grey
  bool bitStuffed = false;  // synchronous events show de-stuffed bytes
  bool showModemEvents = false;
  bool highlightParityErrors = false;
  bool highlightParityBit = false;

  // The options that change how wide a byte is, so a change needs a new layout.
  bool SameMeasure(const SessionOptions& other) const {
    return viewType == other.viewType && parity7E1 == other.parity7E1 && bitStuffed == other.bitStuffed &&
           showModemEvents == other.showModemEvents;
  }
};

// Read from the capture's options and configuration and the view type setting; the store's
// form takes its lock.
SessionOptions OptionsFrom(const CaptureScope& capture, ViewType viewType);
SessionOptions OptionsFrom(const CORUData& store, ViewType viewType);
