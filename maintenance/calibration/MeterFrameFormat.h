#pragma once

// The digital meter's raw frames as the dump lists them: for each complete 128-byte frame its
// count (byte 0), then the 7-byte samples at offsets 1, 8, 15, ... below 105, each with its DC
// channel (bytes 0-1), AC channel (2-3), TA4 (4) and TA3 (5-6), big-endian. Lines come in the
// order they are produced; the list shows the last on top.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/nt/BaseTypes.h"

constexpr std::size_t kMeterFrameSize = 128;
constexpr std::size_t kMeterReadSize = 1280;  // ten frames

std::vector<std::string> FormatMeterFrames(const UCHAR* data, std::size_t bytes);
