#pragma once

// Buffered little-endian writer over a ByteSink. A failed sink write makes every later call a
// no-op and Failed() true, so callers check once at the end.

#include <cstring>
#include <string_view>
#include <vector>

#include "link/store/ByteSink.h"

class ByteWriter {
 public:
  static constexpr std::size_t kBufferSize = 1 << 16;

  explicit ByteWriter(ByteSink& target) : sink(target), buffer(kBufferSize) {}
  ~ByteWriter() = default;
  ByteWriter(const ByteWriter&) = delete;
  ByteWriter& operator=(const ByteWriter&) = delete;

  // Room for `count` (<= kBufferSize) contiguous bytes, to be filled by the caller.
  UCHAR* Claim(std::size_t count) {
    if (used + count > buffer.size()) Flush();
    UCHAR* at = buffer.data() + used;
    used += count;
    return at;
  }

  // Room for up to `count` (<= kBufferSize) bytes without claiming them; Advance claims what was used.
  UCHAR* Room(std::size_t count) {
    if (used + count > buffer.size()) Flush();
    return buffer.data() + used;
  }
  void Advance(std::size_t count) { used += count; }

  void Byte(UCHAR value) { *Claim(1) = value; }
  void UInt16(USHORT value) { PutLE(Claim(2), value, 2); }
  void UInt32(ULONG value) { PutLE(Claim(4), value, 4); }
  void Int32(LONG value) { UInt32(static_cast<ULONG>(value)); }
  void Double(double value);
  void Bytes(const void* data, std::size_t count);
  void Text(std::string_view text) { Bytes(text.data(), text.size()); }

  // Hands the buffered bytes to the sink; false once any write has failed.
  bool Flush();
  bool Failed() const { return failed; }

  static void PutLE(UCHAR* at, ULONGLONG value, int width) {
    for (int i = 0; i < width; ++i) at[i] = static_cast<UCHAR>(value >> (8 * i));
  }

 private:
  ByteSink& sink;
  std::vector<UCHAR> buffer;
  std::size_t used = 0;
  bool failed = false;
};
