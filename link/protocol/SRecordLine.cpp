#include "link/protocol/SRecordLine.h"

#include <cctype>

#include "link/protocol/HexDigits.h"

namespace {

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  return line;
}

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

bool IsSRecordText(std::string_view line) {
  const std::string_view text = WithoutLineEnd(line);
  if (text.size() < 4 || text[0] != 'S' || text[1] < '0' || text[1] > '9' || text.size() % 2 != 0) return false;
  for (std::size_t i = 2; i < text.size(); ++i)
    if (std::isxdigit(static_cast<unsigned char>(text[i])) == 0) return false;
  return true;
}

bool IsBlankLine(std::string_view line) { return WithoutLineEnd(line).empty(); }
