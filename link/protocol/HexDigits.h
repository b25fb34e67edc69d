#pragma once

// Hex fields of the instrument's text replies.

#include <string_view>

// 0..15 for "0"-"9", "A"-"F" and "a"-"f"; every other character gives 0.
int HexDigitValue(char c);

// The first four characters as hex digits, most significant first (0..65535). A field shorter
// than four characters counts its missing digits as 0 at the end, so a cut line cannot read past
// its text.
unsigned HexWord(std::string_view text);

// Two hex digits (a byte); missing digits count as 0.
unsigned HexByte(std::string_view text);
