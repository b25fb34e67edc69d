#include "maintenance/calibration/ReceiveLog.h"

#include <cstdio>

std::string ReceiveLog::SaveString() const {
  std::string text;
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) text += *entry;
  return text;
}

std::string ReceivedText(const UCHAR* bytes, std::size_t count) {
  std::string text;
  text.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const UCHAR byte = bytes[i];
    if (byte >= 0x20 && byte < 0x7F) {
      text += static_cast<char>(byte);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
      text += escaped;
    }
  }
  return text;
}
