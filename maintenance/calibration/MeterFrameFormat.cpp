#include "maintenance/calibration/MeterFrameFormat.h"

#include <cstdio>

namespace {

constexpr std::size_t kSampleSize = 7;
constexpr std::size_t kSamplesEnd = 105;

int BigEndian16(const UCHAR* bytes) { return (bytes[0] << 8) | bytes[1]; }

}  // namespace

std::vector<std::string> FormatMeterFrames(const UCHAR* data, std::size_t bytes) {
  std::vector<std::string> lines;
  char line[96];
  for (std::size_t frame = 0; frame + kMeterFrameSize <= bytes; frame += kMeterFrameSize) {
    const UCHAR* f = data + frame;
    std::snprintf(line, sizeof line, "Frame Count: %i\n", f[0]);
    lines.emplace_back(line);
    for (std::size_t offset = 1; offset < kSamplesEnd; offset += kSampleSize) {
      const UCHAR* s = f + offset;
      std::snprintf(line, sizeof line, "DC Channel: %i\tAC Channel: %i\tTA4: %i\tTA3: %i\n", BigEndian16(s),
                    BigEndian16(s + 2), s[4], BigEndian16(s + 5));
      lines.emplace_back(line);
    }
  }
  return lines;
}
