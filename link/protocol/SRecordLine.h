#pragma once

// The address rule of one Motorola S-record line as the firmware download applies it: where the
// record ends in the instrument's memory, and whether the instrument answers it.

#include <string_view>

#include "platform/nt/BaseTypes.h"

// Records that end at or above this address are not sent.
constexpr ULONG kFirmwareAddressLimit = 0xFBFFF;

// S2: address (6 hex digits at 4..9) + byte count (hex pair at 2..3), needs a reply. S0: the four
// hex digits at 4..7, needs a reply. S8: 0, no reply. Any other line: 0, `needsReply` unchanged.
// Digits missing from a short line count as 0.
ULONG SRecordAddress(std::string_view line, bool& needsReply);

// Whether `line` (its line end included or not) is a Motorola S-record as far as its characters
// go: "S", the type digit, then pairs of hex digits. The count and checksum are the instrument's
// to check.
bool IsSRecordText(std::string_view line);
// A line of nothing but its line end.
bool IsBlankLine(std::string_view line);
