#pragma once

// Buffered little-endian reader over a ByteSource. Every read reports whether all its bytes were
// there; nothing is ever read past the end, and no size is trusted before it is checked against
// what remains.

#include <string>
#include <vector>

#include "link/store/ByteSink.h"

class ByteReader {
 public:
  static constexpr std::size_t kBufferSize = 1 << 16;

  explicit ByteReader(ByteSource& from) : source(from), buffer(kBufferSize), length(from.Length()) {}
  ByteReader(const ByteReader&) = delete;
  ByteReader& operator=(const ByteReader&) = delete;

  ULONGLONG Length() const { return length; }
  ULONGLONG Position() const { return consumed; }
  ULONGLONG Remaining() const { return consumed < length ? length - consumed : 0; }
  // A read error (not the end of the data) cut the bytes short: what was read is not the file.
  bool Failed() const { return source.Failed(); }

  // `count` (<= kBufferSize) contiguous bytes, consumed; nullptr (nothing consumed) when fewer remain.
  const UCHAR* Take(std::size_t count) {
    if (end - next < count && !Fill(count)) return nullptr;
    const UCHAR* at = buffer.data() + next;
    next += count;
    consumed += count;
    return at;
  }

  bool Byte(UCHAR& value);
  bool UInt16(USHORT& value);
  bool UInt32(ULONG& value);
  bool Int32(LONG& value);
  bool Double(double& value);
  // Reads `count` bytes of text; refuses (reading nothing) when fewer remain.
  bool Text(std::string& text, ULONGLONG count);

  static ULONGLONG GetLE(const UCHAR* at, int width) {
    ULONGLONG value = 0;
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | at[i];
    return value;
  }

 private:
  bool Fill(std::size_t count);

  ByteSource& source;
  std::vector<UCHAR> buffer;
  std::size_t next = 0;
  std::size_t end = 0;
  ULONGLONG length;
  ULONGLONG consumed = 0;
};
