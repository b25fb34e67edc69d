#include "sim/CallRenderer.h"

#include <algorithm>
#include <cmath>

#include "sim/HdlcEncoder.h"

namespace sim {
namespace {

uint8_t withEvenParity(uint8_t c) {
  uint8_t v = c & 0x7F;
  int ones = 0;
  for (int i = 0; i < 7; ++i) ones += (v >> i) & 1;
  return (ones % 2) ? static_cast<uint8_t>(v | 0x80) : v;
}

}  // namespace

CapturedByte stampByte(Micros at, uint8_t data, uint8_t flags) {
  CapturedByte b;
  b.at = at;
  b.data = data;
  b.attr = static_cast<uint8_t>(flags | ((at / kMicrosPerSecond) % 64));
  b.fraction = static_cast<uint16_t>((at % kMicrosPerSecond) / 100);
  return b;
}

RenderedCall renderCall(const CallScript& call) {
  RenderedCall out;
  if (!call.connects()) return out;
  const double bitsPerByte = call.sync ? 8.0 : 10.0;  // async: start, 8 (or 7 + parity), stop
  const double byteMicros = bitsPerByte * 1e6 / call.rate;
  Micros busyUntil[2] = {0, 0};
  HdlcEncoder encoders[2];

  for (const CallItem& item : call.items) {
    int d = static_cast<int>(item.dir);
    uint8_t dirFlag = item.dir == Direction::Answer ? kAttrAnswer : 0;
    if (item.kind == CallItemKind::Event) {
      for (uint8_t b : item.bytes) out.bytes.push_back(stampByte(item.offset, b, dirFlag | kAttrModemEvent));
      continue;
    }
    std::vector<uint8_t> lineBytes;
    if (item.kind == CallItemKind::Frame) {
      lineBytes = encoders[d].frame(item.bytes);
    } else if (call.sevenE1) {
      std::vector<bool> wrong(item.bytes.size());
      for (size_t i : item.parityErrors) wrong[i] = true;
      for (size_t i = 0; i < item.bytes.size(); ++i)
        lineBytes.push_back(static_cast<uint8_t>(withEvenParity(item.bytes[i]) ^ (wrong[i] ? 0x80 : 0)));
    } else {
      lineBytes = item.bytes;
    }
    Micros start = std::max(item.offset, busyUntil[d]);
    for (size_t i = 0; i < lineBytes.size(); ++i) {
      Micros at = start + static_cast<Micros>(std::llround(static_cast<double>(i + 1) * byteMicros));
      out.bytes.push_back(stampByte(at, lineBytes[i], dirFlag));
    }
    busyUntil[d] = start + static_cast<Micros>(std::llround(static_cast<double>(lineBytes.size()) * byteMicros));
  }
  std::stable_sort(out.bytes.begin(), out.bytes.end(), [](auto& a, auto& b) { return a.at < b.at; });
  out.end = call.endOffset;
  if (!out.bytes.empty()) out.end = std::max(out.end, out.bytes.back().at);
  return out;
}

}  // namespace sim
