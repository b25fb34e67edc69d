#pragma once

// Pieces of the instrument's replies. Every reply fits one 64-byte packet.
//
// A command the firmware cannot take gets "er:<code>:<two letters>" (letters "??" when the
// command has no name of two capitals):
//   1 unknown command      2 missing, surplus or out-of-range field
//   3 command too long (over 600 bytes; the rest of it up to its end is dropped)
//   4 not possible in the present state

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/CallRenderer.h"

namespace sim {

constexpr size_t kMaxReply = 64;

enum ReplyError : int { kErrUnknown = 1, kErrField = 2, kErrTooLong = 3, kErrState = 4 };

std::string errorReply(int code, std::string_view command);
std::string hex2(unsigned value);
std::string hex4(unsigned value);
// The 11-character text item "CC:AA:TTTT:" of one captured byte.
std::string textItem(const CapturedByte& b);
// The four bytes of one binary record: data, attribute, time high, time low.
void appendBinaryRecord(std::string& out, const CapturedByte& b);

// One data line from bytes[from...], at most `available` of them: up to 5 text items after
// `textHead` ("ca:1:", "rd:1:") or up to 15 binary records after `binaryHead` ("ca#", "rd#") and
// the count byte. Returns how many bytes the line holds.
size_t dataLine(std::string& line, bool binary, const char* textHead, const char* binaryHead,
                const std::vector<CapturedByte>& bytes, size_t from, size_t available);

// Whether stored or captured lines of a call at `rate` go out in binary form (item 11).
bool binaryLines(int lineForm, int rate);

}  // namespace sim
