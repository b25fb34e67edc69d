#include "link/protocol/HexDigits.h"

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

namespace {

unsigned HexDigits(std::string_view text, std::size_t count) {
  unsigned value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    value = value * 16 + static_cast<unsigned>(i < text.size() ? HexDigitValue(text[i]) : 0);
  }
  return value;
}

}  // namespace

unsigned HexWord(std::string_view text) { return HexDigits(text, 4); }

unsigned HexByte(std::string_view text) { return HexDigits(text, 2); }
