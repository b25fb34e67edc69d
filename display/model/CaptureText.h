#pragma once

// The capture text view's byte rules: display texts, hex digits, the drawing attributes kept in
// each record, the colours they give, and the shades of the hex layout's alternate columns.

#include <string>

#include "display/model/CapturePalette.h"
#include "link/store/CaptBuf.h"
#include "shell/model/Color.h"

// Bits of CCaptBuf::cellAttributes.
constexpr ULONG kCellAnswer = 0x1;
constexpr ULONG kCellOriginate = 0x2;
constexpr ULONG kCellShaded = 0x4;  // hex layout: an even column
constexpr ULONG kCell8N1 = 0x10;
constexpr ULONG kCell7E1 = 0x20;
constexpr ULONG kCellParityBit = 0x100;
constexpr ULONG kCellParityError = 0x200;
constexpr ULONG kCellModemEvent = 0x400;
constexpr ULONG kCellSelected = 0x10000000;  // ASCII layout

// "<NUL>".."<US>", "<DEL>", else the byte as one character (UTF-8; Windows-1252 where it
// defines the code, the Latin-1 code point where it does not).
std::string ByteToDisplayText(UCHAR byte);
// Character cells of ByteToDisplayText.
int DisplayTextCells(UCHAR byte);
// Two upper-case hex digits of byte & mask.
std::string ByteToHex(UCHAR byte, UCHAR mask);

enum class ShadeRule { Screen, Print };
// The shaded lightness: on screen x0.85 from 120 up, x1.15 below; in print x0.8 from 120 up, x1.2
// below; truncated, low eight bits kept. Integer arithmetic: 120 x 0.85 is 102, not 101.99.
unsigned ShadedLightness(unsigned lightness, ShadeRule rule);
COLORREF CellShade(COLORREF color, ShadeRule rule);

// A cell's colours from its stored attributes, by the ASCII or the hex layout's palette.
CellColors AttributeColors(ULONG attributes, bool selected, bool hex, const CaptureColors& colors);
