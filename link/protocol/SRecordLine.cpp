#include "link/protocol/SRecordLine.h"

#include "link/protocol/HexDigits.h"

namespace {

ULONG HexField(std::string_view line, std::size_t from, std::size_t digits) {
  ULONG value = 0;
  for (std::size_t i = from; i < from + digits; ++i) {
    value = value * 16 + static_cast<ULONG>(i < line.size() ? HexDigitValue(line[i]) : 0);
  }
  return value;
}

}  // namespace

ULONG SRecordAddress(std::string_view line, bool& needsReply) {
  if (line.size() < 2 || line[0] != 'S') return 0;
  switch (line[1]) {
    case '2':
      needsReply = true;
      return HexField(line, 4, 6) + HexField(line, 2, 2);
    case '0':
      needsReply = true;
      return HexField(line, 4, 4);
    case '8':
      needsReply = false;
      return 0;
    default:
      return 0;
  }
}
