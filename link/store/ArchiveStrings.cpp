#include "link/store/ArchiveStrings.h"

void WriteArchiveString(ByteWriter& out, std::string_view text) {
  const ULONGLONG length = text.size();
  if (length < 0xFF) {
    out.Byte(static_cast<UCHAR>(length));
  } else if (length < 0xFFFE) {
    out.Byte(0xFF);
    out.UInt16(static_cast<USHORT>(length));
  } else {
    out.Byte(0xFF);
    out.UInt16(0xFFFF);
    out.UInt32(static_cast<ULONG>(length));
  }
  out.Text(text);
}

bool ReadArchiveString(ByteReader& in, std::string& text) {
  UCHAR shortLength = 0;
  if (!in.Byte(shortLength)) return false;
  ULONGLONG length = shortLength;
  if (shortLength == 0xFF) {
    USHORT middle = 0;
    if (!in.UInt16(middle)) return false;
    length = middle;
    if (middle == 0xFFFE) return false;  // the wide-string marker: never written here
    if (middle == 0xFFFF) {
      ULONG longLength = 0;
      if (!in.UInt32(longLength)) return false;
      length = longLength;
    }
  }
  return in.Text(text, length);
}

void WriteCountedString(ByteWriter& out, std::string_view text) {
  out.Int32(static_cast<LONG>(text.size()));
  out.Text(text);
}

bool ReadCountedString(ByteReader& in, std::string& text, LONG limit) {
  LONG length = 0;
  if (!in.Int32(length)) return false;
  if (length < 0 || length > limit) return false;
  return in.Text(text, static_cast<ULONGLONG>(length));
}
