#include "link/store/ByteWriter.h"

#include <algorithm>
#include <bit>

void ByteWriter::Double(double value) { PutLE(Claim(8), std::bit_cast<ULONGLONG>(value), 8); }

void ByteWriter::Bytes(const void* data, std::size_t count) {
  const UCHAR* from = static_cast<const UCHAR*>(data);
  while (count != 0) {
    if (used == buffer.size()) Flush();
    std::size_t n = std::min(count, buffer.size() - used);
    std::memcpy(buffer.data() + used, from, n);
    used += n;
    from += n;
    count -= n;
  }
}

bool ByteWriter::Flush() {
  if (!failed && used != 0 && !sink.Write(buffer.data(), used)) failed = true;
  used = 0;
  return !failed;
}
