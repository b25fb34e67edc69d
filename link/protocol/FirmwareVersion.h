#pragma once

// The instrument's firmware version and the two features it decides: the "V.21" standard (flag B)
// and the 60-second trace span (flag A). Both need version 1.0.8 or later.

#include <string_view>

#include "link/protocol/CommTransport.h"

struct FirmwareVersionNumbers {
  long major = 0;
  long minor = 0;
  long patch = 0;
  auto operator<=>(const FirmwareVersionNumbers&) const = default;
};

// The three numbers of a version text such as "V 1.0.8": after the first capital V, the pieces
// up to the first ".", up to the next ".", and to the end, each read as its leading decimal value
// (leading blanks skipped). No V, or no "." after it: all 0; no second ".": the last two are 0.
FirmwareVersionNumbers ParseFirmwareVersion(std::string_view text);

// The version is 1.0.8 or later, numbers compared in order (major, then minor, then patch).
bool FirmwareIsNewEnough(std::string_view text);

class FirmwareVersion {
 public:
  explicit FirmwareVersion(CommTransport& transport) : transport_(transport) {}

  // VN: stores the version text and sets both feature flags, notifying each.
  int ReadVersion();

  // The four feature notifications from the stored flags (for the main frame's handle).
  void NotifyFeatures();

 private:
  CommTransport& transport_;
};
