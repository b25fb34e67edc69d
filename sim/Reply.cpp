#include "sim/Reply.h"

#include <algorithm>
#include <cstdio>

namespace sim {

std::string errorReply(int code, std::string_view command) {
  std::string name = "??";
  if (command.size() >= 2 && command[0] >= 'A' && command[0] <= 'Z' && command[1] >= 'A' && command[1] <= 'Z')
    name = std::string(command.substr(0, 2));
  return "er:" + std::to_string(code) + ":" + name;
}

std::string hex2(unsigned value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X", value & 0xFF);
  return buf;
}

std::string hex4(unsigned value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", value & 0xFFFF);
  return buf;
}

std::string textItem(const CapturedByte& b) { return hex2(b.data) + ":" + hex2(b.attr) + ":" + hex4(b.fraction) + ":"; }

void appendBinaryRecord(std::string& out, const CapturedByte& b) {
  out.push_back(static_cast<char>(b.data));
  out.push_back(static_cast<char>(b.attr));
  out.push_back(static_cast<char>(b.fraction >> 8));
  out.push_back(static_cast<char>(b.fraction & 0xFF));
}

size_t dataLine(std::string& line, bool binary, const char* textHead, const char* binaryHead,
                const std::vector<CapturedByte>& bytes, size_t from, size_t available) {
  size_t n = std::min<size_t>(binary ? 15 : 5, available);
  if (binary) {
    line = binaryHead;
    line.push_back(static_cast<char>(n));
    for (size_t i = 0; i < n; ++i) appendBinaryRecord(line, bytes[from + i]);
  } else {
    line = textHead;
    for (size_t i = 0; i < n; ++i) line += textItem(bytes[from + i]);
  }
  return n;
}

bool binaryLines(int lineForm, int rate) {
  if (lineForm == 1) return false;
  if (lineForm == 2) return true;
  return rate > 2400;
}

}  // namespace sim
