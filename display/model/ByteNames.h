#pragma once

// How a captured byte is named on screen: control names, Windows-1252 characters above 0x7F,
// two hex digits, and the 7E1 parity test.

#include <string>
#include <string_view>

#include "platform/nt/BaseTypes.h"

// The byte's display name as UTF-8: "<NUL>".."<US>", "<DEL>", "<UNK>" for the five codes
// Windows-1252 leaves undefined, otherwise the character itself.
std::string_view CharName(UCHAR byte);
// How many character cells CharName takes (its characters, not its UTF-8 bytes).
int CharNameCells(UCHAR byte);
// Two upper-case hex digits, high nibble first.
std::string HexText(UCHAR byte);
// True when the number of one bits among all eight is even (7 data bits, even parity in bit 7).
bool CheckParity(UCHAR byte);
