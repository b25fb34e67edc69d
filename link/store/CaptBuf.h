#pragma once

// One captured byte as the worker decodes it, the files store it and the views lay it out.

#include "link/store/CArray.h"
#include "platform/nt/BaseTypes.h"

// A cell rectangle of the capture text view (left, top, right, bottom).
struct CellRect {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
  bool operator==(const CellRect&) const = default;
};

// Attribute-byte bits of a captured byte.
constexpr UCHAR CAPT_ANSWER = 0x80;       // set: sent in the Answer direction; clear: Originate
constexpr UCHAR CAPT_MODEM_EVENT = 0x40;  // the record is half of a modem-event word, not line data

// Result bit of the HDLC de-stuffer: a de-stuffed byte stands in hdlcByte.
constexpr USHORT HDLC_BYTE_READY = 0x80;

// Copied by value in large numbers, so it has no virtual functions: 68 bytes a record.
struct CCaptBuf {
  CCaptBuf() = default;
  // Argument order as the capture decoders pass it: data, attribute, second word, first word.
  CCaptBuf(UCHAR dataByte, UCHAR attribute, ULONG fraction, ULONG seconds)
      : timeSeconds(seconds), timeFraction(fraction), flags(attribute), data(dataByte) {}

  bool IsAnswer() const { return (flags & CAPT_ANSWER) != 0; }
  bool IsModemEvent() const { return (flags & CAPT_MODEM_EVENT) != 0; }

  ULONG timeSeconds = 0;
  ULONG timeFraction = 0;
  UCHAR flags = 0;
  UCHAR data = 0;
  // Written by the HDLC replay of a synchronous event; 0 until then.
  UCHAR hdlcByte = 0;
  USHORT hdlcResult = 0;
  ULONG syncSequence = 0;
  // The capture text view's own fields; never stored in files.
  CellRect asciiCell;
  CellRect hexCell;
  ULONG cellAttributes = 0;
  USHORT cellWidth = 0;
  // Modem-event pairing: 1 on the record that opens a pair, 1 in `hidden` on the one closing it.
  LONG markerShown = 0;
  LONG hidden = 0;
};

// The captured bytes of a capture, in arrival order.
using CCaptBufArray = CArray<CCaptBuf>;
