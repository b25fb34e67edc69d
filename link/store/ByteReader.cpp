#include "link/store/ByteReader.h"

#include <algorithm>
#include <bit>
#include <cstring>

bool ByteReader::Fill(std::size_t count) {
  if (count > buffer.size()) return false;
  std::size_t have = end - next;
  std::memmove(buffer.data(), buffer.data() + next, have);
  next = 0;
  end = have;
  while (end < count) {
    std::size_t got = source.Read(buffer.data() + end, buffer.size() - end);
    if (got == 0) return false;
    end += got;
  }
  return true;
}

bool ByteReader::Byte(UCHAR& value) {
  const UCHAR* at = Take(1);
  if (at == nullptr) return false;
  value = *at;
  return true;
}

bool ByteReader::UInt16(USHORT& value) {
  const UCHAR* at = Take(2);
  if (at == nullptr) return false;
  value = static_cast<USHORT>(GetLE(at, 2));
  return true;
}

bool ByteReader::UInt32(ULONG& value) {
  const UCHAR* at = Take(4);
  if (at == nullptr) return false;
  value = static_cast<ULONG>(GetLE(at, 4));
  return true;
}

bool ByteReader::Int32(LONG& value) {
  ULONG raw = 0;
  if (!UInt32(raw)) return false;
  value = static_cast<LONG>(raw);
  return true;
}

bool ByteReader::Double(double& value) {
  const UCHAR* at = Take(8);
  if (at == nullptr) return false;
  value = std::bit_cast<double>(GetLE(at, 8));
  return true;
}

bool ByteReader::Text(std::string& text, ULONGLONG count) {
  if (count > Remaining()) return false;
  text.clear();
  text.reserve(static_cast<std::size_t>(count));
  while (count != 0) {
    std::size_t piece = static_cast<std::size_t>(std::min<ULONGLONG>(count, kBufferSize));
    const UCHAR* at = Take(piece);
    if (at == nullptr) return false;
    text.append(reinterpret_cast<const char*>(at), piece);
    count -= piece;
  }
  return true;
}
